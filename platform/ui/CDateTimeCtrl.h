#pragma once

#include <QDateTimeEdit>

// A date or a time picker that takes the keyboard as the platform's date-time
// picker does. It is one stop in the tab order: Tab and Shift+Tab go to the
// next and previous control. One field is always the selected one: Left and
// Right move between fields, Up and Down step the field round within its
// range, digits are typed into it and a full field (or a separator) moves on
// to the next. A day the month does not have is refused with a note beside
// the field. Alt+Down and F4 drop down a date picker's calendar.
class CDateTimeCtrl : public QDateTimeEdit {
    Q_OBJECT

public:
    enum class Kind { Date, Time };

    explicit CDateTimeCtrl(Kind kind, QWidget* parent = nullptr);

    // Drops down the month calendar; false for a picker without one.
    bool ShowCalendar();

protected:
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct FieldRange {
        int nMin;
        int nMax;
    };

    void SelectField(int index);
    void TypeDigit(int digit);
    void TypeSeparator();
    void StepField(int delta);
    FieldRange RangeOf(Section section) const;
    int FieldValue(Section section) const;
    void SetFieldValue(Section section, int value);
    int DigitsOf(Section section) const;

    // The digits typed so far into the selected field, their value, and the
    // field's value before them.
    int m_nTypedDigits = 0;
    int m_nTypedValue = 0;
    int m_nValueBeforeTyping = 0;
    // A field filled up by typing moved on by itself; a separator typed
    // right after it belongs to it and does not move on again.
    bool m_bMovedOnByTyping = false;
    // The date when the calendar was last opened, and whether its keys are
    // watched yet.
    QDate m_dateBeforeCalendar;
    bool m_bCalendarWatched = false;
};
