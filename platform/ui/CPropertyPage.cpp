#include "platform/ui/CPropertyPage.h"

CPropertyPage::CPropertyPage(std::string caption, QWidget* parent)
    : QWidget(parent), m_strPageCaption(std::move(caption))
{
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
