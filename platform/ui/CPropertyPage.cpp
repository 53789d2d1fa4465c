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
