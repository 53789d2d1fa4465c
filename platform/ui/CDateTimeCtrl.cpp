#include "platform/ui/CDateTimeCtrl.h"

#include <QCalendarWidget>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QStyleOptionComboBox>
#include <QToolTip>

#include <algorithm>

namespace {

// Two-digit years as the platform reads them: 50 to 99 are 1950 to 1999,
// the rest this century.
int FullYear(int twoDigits)
{
    return twoDigits < 50 ? 2000 + twoDigits : 1900 + twoDigits;
}

bool IsSeparator(QChar c)
{
    return c == u'-' || c == u'/' || c == u'.' || c == u':';
}

} // namespace

CDateTimeCtrl::CDateTimeCtrl(Kind kind, QWidget* parent)
    : QDateTimeEdit(kind == Kind::Date ? QVariant(QDate(2000, 1, 1)) : QVariant(QTime(0, 0)),
                    kind == Kind::Date ? QMetaType::QDate : QMetaType::QTime, parent)
{
    lineEdit()->installEventFilter(this);
}

bool CDateTimeCtrl::focusNextPrevChild(bool next)
{
    // The edit would step through its own fields instead of leaving.
    return QWidget::focusNextPrevChild(next); // NOLINT(bugprone-parent-virtual-call)
}

bool CDateTimeCtrl::ShowCalendar()
{
    if (!calendarPopup() || !isEnabled())
        return false;
    // The edit drops its calendar down from a press on its arrow, and from
    // nothing else.
    QStyleOptionComboBox option;
    option.initFrom(this);
    option.editable = true;
    option.subControls = QStyle::SC_All;
    const QPoint arrow = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, this).center();
    QMouseEvent press(QEvent::MouseButtonPress, arrow, mapToGlobal(arrow), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    mousePressEvent(&press);
    return true;
}

void CDateTimeCtrl::mousePressEvent(QMouseEvent* event)
{
    m_dateBeforeCalendar = date();
    QDateTimeEdit::mousePressEvent(event);
    if (!calendarPopup() || m_bCalendarWatched)
        return;
    // The calendar shows its choice in the field as it moves; Escape in it
    // puts back the date it opened on.
    m_bCalendarWatched = true;
    for (QWidget* part : calendarWidget()->findChildren<QWidget*>())
        part->installEventFilter(this);
    calendarWidget()->installEventFilter(this);
}

void CDateTimeCtrl::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool plain = modifiers == Qt::NoModifier;
    if ((key == Qt::Key_F4 && plain) || ((key == Qt::Key_Down || key == Qt::Key_Up) && modifiers == Qt::AltModifier)) {
        // Alt+Up only closes an open calendar, which has the keys then.
        if (key != Qt::Key_Up)
            ShowCalendar();
        event->accept();
        return;
    }
    if (plain && (key == Qt::Key_Left || key == Qt::Key_Right)) {
        const int field = currentSectionIndex() + (key == Qt::Key_Left ? -1 : 1);
        SelectField(std::clamp(field, 0, sectionCount() - 1));
        event->accept();
        return;
    }
    if (plain && (key == Qt::Key_Up || key == Qt::Key_Down)) {
        StepField(key == Qt::Key_Up ? 1 : -1);
        event->accept();
        return;
    }
    const QString text = event->text();
    const bool typed = text.size() == 1 && (modifiers & ~Qt::ShiftModifier) == Qt::NoModifier;
    if (typed && text[0] >= u'0' && text[0] <= u'9') {
        TypeDigit(text[0].unicode() - u'0');
        event->accept();
        return;
    }
    if (typed && IsSeparator(text[0])) {
        TypeSeparator();
        event->accept();
        return;
    }
    // Other characters, and erasing, would leave a half-edited text behind:
    // the fields only ever hold a whole value.
    if ((typed && text[0].isPrint()) || key == Qt::Key_Backspace || key == Qt::Key_Delete) {
        event->accept();
        return;
    }
    QDateTimeEdit::keyPressEvent(event);
}

void CDateTimeCtrl::focusInEvent(QFocusEvent* event)
{
    QDateTimeEdit::focusInEvent(event);
    m_nTypedDigits = 0;
    m_bMovedOnByTyping = false;
    // A click selects the field it lands on when it is released.
    if (event->reason() != Qt::MouseFocusReason)
        setSelectedSection(currentSection());
}

bool CDateTimeCtrl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != lineEdit() && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
        setDate(m_dateBeforeCalendar);
    if (watched == lineEdit() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        // The edit has put its caret where the click landed; the field there
        // becomes the selected one, as typing goes into it.
        lineEdit()->event(event);
        SelectField(currentSectionIndex());
        return true;
    }
    return QDateTimeEdit::eventFilter(watched, event);
}

void CDateTimeCtrl::SelectField(int index)
{
    m_nTypedDigits = 0;
    m_bMovedOnByTyping = false;
    setCurrentSectionIndex(index);
    setSelectedSection(sectionAt(index));
}

int CDateTimeCtrl::DigitsOf(Section section) const
{
    if (section == YearSection && displayFormat().contains(QStringLiteral("yyyy")))
        return 4;
    return 2;
}

CDateTimeCtrl::FieldRange CDateTimeCtrl::RangeOf(Section section) const
{
    switch (section) {
    case YearSection:
        if (DigitsOf(section) == 2)
            return {0, 99};
        return {minimumDate().year(), maximumDate().year()};
    case MonthSection:
        return {1, 12};
    case DaySection:
        return {1, date().daysInMonth()};
    case HourSection:
        return {0, 23};
    case MinuteSection:
    case SecondSection:
        return {0, 59};
    default:
        return {0, -1};
    }
}

int CDateTimeCtrl::FieldValue(Section section) const
{
    switch (section) {
    case MonthSection:
        return date().month();
    case DaySection:
        return date().day();
    case HourSection:
        return time().hour();
    case MinuteSection:
        return time().minute();
    case SecondSection:
        return time().second();
    default:
        return 0;
    }
}

void CDateTimeCtrl::SetFieldValue(Section section, int value)
{
    if (section == HourSection || section == MinuteSection || section == SecondSection) {
        const QTime now = time();
        setTime(QTime(section == HourSection ? value : now.hour(), section == MinuteSection ? value : now.minute(),
                      section == SecondSection ? value : now.second()));
        return;
    }
    const QDate now = date();
    int year = now.year();
    int month = now.month();
    if (section == YearSection)
        year = DigitsOf(section) == 2 ? FullYear(value) : value;
    else if (section == MonthSection)
        month = value;
    // The day keeps within the month, as a month or a year with fewer days
    // than the day shown would otherwise make no date at all.
    const int days = QDate(year, month, 1).daysInMonth();
    setDate(QDate(year, month, std::min(section == DaySection ? value : now.day(), days)));
}

void CDateTimeCtrl::TypeDigit(int digit)
{
    const int index = currentSectionIndex();
    const Section section = sectionAt(index);
    const FieldRange range = RangeOf(section);
    if (range.nMax < range.nMin)
        return;
    if (m_nTypedDigits == 0)
        m_nValueBeforeTyping = FieldValue(section);
    m_nTypedValue = m_nTypedDigits == 0 ? digit : m_nTypedValue * 10 + digit;
    ++m_nTypedDigits;
    // Full when no further digit could make a value of the field; a day may
    // be typed as far as any month goes, so that 30 in February is seen as
    // typed and refused rather than taken as 3.
    const int most = section == DaySection ? 31 : range.nMax;
    const bool full = m_nTypedDigits >= DigitsOf(section) || m_nTypedValue * 10 > most;
    if (full && section == DaySection && m_nTypedValue > range.nMax) {
        SetFieldValue(section, m_nValueBeforeTyping);
        m_nTypedDigits = 0;
        setSelectedSection(section);
        const QDate shown = date();
        QToolTip::showText(mapToGlobal(QPoint(0, height())),
                           QStringLiteral("%1 %2 has no day %3.")
                               .arg(QLocale::c().standaloneMonthName(shown.month()))
                               .arg(shown.year())
                               .arg(m_nTypedValue),
                           this);
        return;
    }
    if (full || m_nTypedValue >= range.nMin)
        SetFieldValue(section, std::clamp(m_nTypedValue, range.nMin, range.nMax));
    if (full && index + 1 < sectionCount()) {
        SelectField(index + 1);
        m_bMovedOnByTyping = true;
        return;
    }
    if (full)
        m_nTypedDigits = 0;
    setSelectedSection(section);
}

void CDateTimeCtrl::TypeSeparator()
{
    if (m_bMovedOnByTyping) {
        m_bMovedOnByTyping = false;
        return;
    }
    SelectField(std::min(currentSectionIndex() + 1, sectionCount() - 1));
}

void CDateTimeCtrl::StepField(int delta)
{
    const int index = currentSectionIndex();
    const Section section = sectionAt(index);
    const FieldRange range = RangeOf(section);
    if (range.nMax < range.nMin)
        return;
    if (section == YearSection) {
        setDate(date().addYears(delta));
    } else {
        // Round within the field, never carrying into the next one.
        const int span = range.nMax - range.nMin + 1;
        SetFieldValue(section, range.nMin + ((FieldValue(section) - range.nMin + delta) % span + span) % span);
    }
    SelectField(index);
}
