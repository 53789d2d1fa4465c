#include "platform/ui/CTabCtrl.h"

#include "platform/ui/CImageList.h"

#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>
#include <QTabBar>

#include <algorithm>

namespace {

// Space between the frame of the display area and a page, as on the platform.
constexpr int kDisplayInset = 4;

} // namespace

CTabCtrl::CTabCtrl(QWidget* parent) : QWidget(parent), m_pTabBar(new QTabBar(this))
{
    m_pTabBar->setDrawBase(false);
    m_pTabBar->setExpanding(false);
    m_pTabBar->setUsesScrollButtons(true);
    m_pTabBar->setFocusPolicy(Qt::TabFocus);
    connect(m_pTabBar, &QTabBar::currentChanged, this, [this](int index) {
        const int previous = m_nCurSel;
        m_nCurSel = index;
        if (!m_bSettingSelection && index != previous)
            emit SelectionPicked(index, previous);
    });
}

int CTabCtrl::InsertItem(int index, const std::string& text, int image)
{
    index = std::clamp(index, 0, GetItemCount());
    m_bSettingSelection = true;
    const int inserted = m_pTabBar->insertTab(index, QString::fromStdString(text));
    m_bSettingSelection = false;
    m_itemImages.insert(inserted, image);
    RefreshIcons();
    m_pTabBar->resize(width(), StripHeight());
    return inserted;
}

bool CTabCtrl::DeleteItem(int index)
{
    if (index < 0 || index >= GetItemCount())
        return false;
    m_bSettingSelection = true;
    m_pTabBar->removeTab(index);
    m_bSettingSelection = false;
    m_itemImages.removeAt(index);
    m_nCurSel = m_pTabBar->currentIndex();
    return true;
}

int CTabCtrl::GetItemCount() const
{
    return m_pTabBar->count();
}

bool CTabCtrl::GetItem(int index, std::string* text, int* image) const
{
    if (index < 0 || index >= GetItemCount())
        return false;
    if (text)
        *text = m_pTabBar->tabText(index).toStdString();
    if (image)
        *image = m_itemImages[index];
    return true;
}

QRect CTabCtrl::GetItemRect(int index) const
{
    if (index < 0 || index >= GetItemCount())
        return {};
    return m_pTabBar->tabRect(index).translated(m_pTabBar->pos());
}

int CTabCtrl::GetCurSel() const
{
    return m_nCurSel;
}

int CTabCtrl::SetCurSel(int index)
{
    const int previous = m_nCurSel;
    if (index < 0 || index >= GetItemCount())
        return previous;
    m_bSettingSelection = true;
    m_pTabBar->setCurrentIndex(index);
    m_bSettingSelection = false;
    m_nCurSel = index;
    return previous;
}

void CTabCtrl::SetImageList(CImageList* images)
{
    m_pImages = images;
    if (images && images->IsCreated())
        m_pTabBar->setIconSize(images->GetImageSize());
    RefreshIcons();
}

void CTabCtrl::SetStackedTabs(bool stacked)
{
    m_pTabBar->setUsesScrollButtons(!stacked);
}

QRect CTabCtrl::GetDisplayRect() const
{
    return QRect(0, StripHeight(), width(), height() - StripHeight())
        .adjusted(kDisplayInset, kDisplayInset, -kDisplayInset, -kDisplayInset);
}

void CTabCtrl::resizeEvent(QResizeEvent* event)
{
    m_pTabBar->setGeometry(0, 0, width(), StripHeight());
    QWidget::resizeEvent(event);
}

void CTabCtrl::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    frame.rect = QRect(0, StripHeight(), width(), height() - StripHeight());
    frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    frame.shape = QTabBar::RoundedNorth;
    frame.tabBarSize = m_pTabBar->size();
    painter.drawPrimitive(QStyle::PE_FrameTabWidget, frame);
}

int CTabCtrl::StripHeight() const
{
    return m_pTabBar->sizeHint().height();
}

void CTabCtrl::RefreshIcons()
{
    for (int i = 0; i < GetItemCount(); ++i)
        m_pTabBar->setTabIcon(i, m_pImages ? m_pImages->ExtractIcon(m_itemImages[i]) : QIcon());
}
