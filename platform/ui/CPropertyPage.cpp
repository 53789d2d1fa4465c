#include "platform/ui/CPropertyPage.h"

#include "platform/ui/CDateTimeCtrl.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/DialogUnits.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace {

QWidget* CreateStandardControl(const DialogControlTemplate& control, QWidget* page)
{
    switch (control.kind) {
    case DialogControlKind::ComboBox: {
        auto* box = new QComboBox(page);
        box->setEditable((control.dwStyle & CBS_DROPDOWN) != 0);
        // A drop-down box neither adds typed text to its list nor completes it.
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setCompleter(nullptr);
        return box;
    }
    case DialogControlKind::DatePicker: {
        auto* picker = new CDateTimeCtrl(CDateTimeCtrl::Kind::Date, page);
        // A date picker without the up-down style drops down a month calendar.
        picker->setCalendarPopup((control.dwStyle & DTS_UPDOWN) == 0);
        return picker;
    }
    case DialogControlKind::TimePicker: {
        auto* picker = new CDateTimeCtrl(CDateTimeCtrl::Kind::Time, page);
        // Each field steps round within its range, as an up-down time picker does.
        picker->setWrapping(true);
        return picker;
    }
    case DialogControlKind::PushButton:
        return new QPushButton(QString::fromLatin1(control.szText), page);
    case DialogControlKind::ListView:
        return new QTableView(page);
    case DialogControlKind::StaticText: {
        auto* label = new QLabel(QString::fromLatin1(control.szText), page);
        // Texts from the settings file are shown as written, never as markup.
        label->setTextFormat(Qt::PlainText);
        return label;
    }
    }
    return nullptr;
}

} // namespace

CPropertyPage::CPropertyPage(std::string caption, QWidget* parent)
    : QWidget(parent), m_strPageCaption(std::move(caption))
{ }

CPropertyPage::CPropertyPage(const DialogTemplate& dialogTemplate, std::string caption, QWidget* parent)
    : QWidget(parent), m_pTemplate(&dialogTemplate), m_strPageCaption(std::move(caption))
{
    resize(sizeHint());
}

QSize CPropertyPage::sizeHint() const
{
    if (m_pTemplate != nullptr)
        return DialogUnits(font()).MapDialogRect(0, 0, m_pTemplate->cx, m_pTemplate->cy).size();
    return QWidget::sizeHint();
}

QWidget* CPropertyPage::CreateTemplateControl(const DialogControlTemplate&)
{
    return nullptr;
}

void CPropertyPage::CreateControls()
{
    if (m_pTemplate == nullptr)
        return;
    const DialogUnits units(font());
    QWidget* previous = nullptr;
    for (const DialogControlTemplate& control : m_pTemplate->controls) {
        QWidget* widget = CreateTemplateControl(control);
        if (widget == nullptr)
            widget = CreateStandardControl(control, this);
        widget->setObjectName(QString::number(control.nId));
        QRect geometry = units.MapDialogRect(control.x, control.y, control.cx, control.cy);
        // A combo box's template height includes its drop-down list.
        if (control.kind == DialogControlKind::ComboBox)
            geometry.setHeight(widget->sizeHint().height());
        widget->setGeometry(geometry);
        widget->setEnabled((control.dwStyle & WS_DISABLED) == 0);
        // The pickers and the category box keep every click, even one they
        // have no use for (a spin arrow at its limit), so that it never reaches
        // the page's own click handling; they are never disabled.
        if (control.kind == DialogControlKind::ComboBox || control.kind == DialogControlKind::DatePicker ||
            control.kind == DialogControlKind::TimePicker)
            widget->setAttribute(Qt::WA_NoMousePropagation);
        if (control.kind != DialogControlKind::StaticText) {
            widget->setFocusPolicy((control.dwStyle & WS_TABSTOP) != 0 ? Qt::StrongFocus : Qt::ClickFocus);
            if (previous != nullptr)
                QWidget::setTabOrder(previous, widget);
            previous = widget;
        }
    }
}

CPropertyPage::~CPropertyPage() = default;

void CPropertyPage::EnsureCreated()
{
    if (m_bCreated)
        return;
    m_bCreated = true;
    CreateControls();
    // Controls made while the page is already being shown would stay hidden;
    // a control that a page hid on purpose stays hidden.
    for (QWidget* control : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (!control->testAttribute(Qt::WA_WState_ExplicitShowHide))
            control->show();
    OnInitDialog();
}

QWidget* CPropertyPage::GetDlgItem(int id) const
{
    return findChild<QWidget*>(QString::number(id));
}

void CPropertyPage::showEvent(QShowEvent* event)
{
    EnsureCreated();
    QWidget::showEvent(event);
}
