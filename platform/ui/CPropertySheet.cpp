#include "platform/ui/CPropertySheet.h"

#include "platform/ui/AnchoredLayout.h"
#include "platform/ui/CImageList.h"
#include "platform/ui/CPropertyPage.h"
#include "platform/ui/CTabCtrl.h"
#include "platform/ui/DialogUnits.h"
#include "platform/ui/QtStrings.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>

namespace {

// A page of unknown size (no controls yet, no size of its own) still gets
// room for a few controls, and the window shrinks no further than to leave
// the page area this size.
constexpr QSize kMinimumPageSize(212, 114);
constexpr int kButtonMinimumWidth = 75;
constexpr int kButtonPadding = 20;

// Room a page's controls need: its size hint, its minimum size and the extent
// of the controls placed without a layout.
QSize ExtentOf(const CPropertyPage* page)
{
    QSize extent = page->minimumSize().expandedTo(page->sizeHint());
    const QRect children = page->childrenRect();
    if (!children.isEmpty())
        extent = extent.expandedTo(QSize(children.right() + 1, children.bottom() + 1));
    return extent;
}

} // namespace

CPropertySheet::CPropertySheet() : CPropertySheet(std::string())
{ }

CPropertySheet::CPropertySheet(const std::string& caption, QWidget* parent, unsigned selectPage) : QDialog(parent)
{
    m_psh.nStartPage = selectPage;
    setWindowTitle(ToQString(caption));
    m_pPageView = new QScrollArea(this);
    m_pPageView->setFrameShape(QFrame::NoFrame);
    m_pPageView->setFocusPolicy(Qt::NoFocus);
    m_pPageHolder = new QWidget;
    m_pPageView->setWidget(m_pPageHolder);
    // As the pages lay straight on the sheet before: whatever lies below
    // them (the tab control's face, the tree sheet's frame) shows through.
    m_pPageView->viewport()->setAutoFillBackground(false);
    m_pPageHolder->setAutoFillBackground(false);
}

CPropertySheet::~CPropertySheet()
{
    if (m_bHasWindow)
        qApp->removeEventFilter(this);
    // The pages belong to whoever added them; the widget tree must not take
    // them down with the sheet.
    for (CPropertyPage* page : m_pages) {
        page->disconnect(this);
        page->hide();
        page->setParent(nullptr);
    }
    delete m_pTabImages;
}

void CPropertySheet::AddPage(CPropertyPage* page)
{
    if (!page || GetPageIndex(page) >= 0)
        return;
    m_pages.push_back(page);
    page->hide();
    page->setParent(m_pPageHolder);
    connect(page, &QObject::destroyed, this, [this, page] { ForgetPage(page); });
    if (!m_bHasWindow)
        return;
    const int index = GetPageCount() - 1;
    m_pTabCtrl->InsertItem(index, page->GetPageCaption(), PageImage(page));
    if (GetPageCount() == 1)
        SelectPage(0);
    OnPageAdded(index);
}

void CPropertySheet::RemovePage(int index)
{
    if (index < 0 || index >= GetPageCount())
        return;
    CPropertyPage* page = m_pages[static_cast<std::size_t>(index)];
    page->disconnect(this);
    if (m_bHasWindow && index == m_nActive && GetPageCount() > 1)
        SelectPage(index > 0 ? index - 1 : 1);
    m_pages.erase(m_pages.begin() + index);
    page->hide();
    page->setParent(nullptr);
    if (!m_bHasWindow)
        return;
    m_pTabCtrl->DeleteItem(index);
    if (m_nActive > index || m_nActive >= GetPageCount())
        --m_nActive;
    m_pTabCtrl->SetCurSel(m_nActive);
    OnPageRemoved(index);
}

void CPropertySheet::RemovePage(CPropertyPage* page)
{
    RemovePage(GetPageIndex(page));
}

void CPropertySheet::ForgetPage(CPropertyPage* page)
{
    const auto it = std::find(m_pages.begin(), m_pages.end(), page);
    if (it == m_pages.end())
        return;
    const int index = static_cast<int>(it - m_pages.begin());
    m_pages.erase(it);
    if (!m_bHasWindow)
        return;
    m_pTabCtrl->DeleteItem(index);
    if (index == m_nActive)
        m_nActive = -1;
    else if (m_nActive > index)
        --m_nActive;
    m_pTabCtrl->SetCurSel(m_nActive);
    OnPageRemoved(index);
}

int CPropertySheet::GetPageCount() const
{
    return static_cast<int>(m_pages.size());
}

CPropertyPage* CPropertySheet::GetPage(int index) const
{
    return index >= 0 && index < GetPageCount() ? m_pages[static_cast<std::size_t>(index)] : nullptr;
}

int CPropertySheet::GetPageIndex(const CPropertyPage* page) const
{
    const auto it = std::find(m_pages.begin(), m_pages.end(), page);
    return it == m_pages.end() ? -1 : static_cast<int>(it - m_pages.begin());
}

int CPropertySheet::GetActiveIndex() const
{
    return m_bHasWindow ? m_nActive : static_cast<int>(m_psh.nStartPage);
}

bool CPropertySheet::SetActivePage(int index)
{
    if (!m_bHasWindow) {
        if (index < 0)
            return false;
        m_psh.nStartPage = static_cast<unsigned>(index);
        return true;
    }
    const bool ok = SelectPage(index);
    OnPageSelected(index);
    return ok;
}

bool CPropertySheet::SetActivePage(CPropertyPage* page)
{
    return SetActivePage(GetPageIndex(page));
}

bool CPropertySheet::SelectPage(int index)
{
    CPropertyPage* next = GetPage(index);
    if (!next)
        return false;
    CPropertyPage* current = GetPage(m_nActive);
    if (current == next && next->isVisible())
        return true;
    // A page hidden by a tree node without a page has been asked already.
    if (current && current != next && current->isVisible() && !NotifyKillActive(current))
        return false;
    next->EnsureCreated();
    if (!next->OnSetActive())
        return false;
    if (current && current != next)
        current->hide();
    m_nActive = index;
    m_pTabCtrl->SetCurSel(index);
    PlacePage(next);
    next->show();
    next->raise();
    m_pPageView->raise();
    return true;
}

void CPropertySheet::PlacePage(CPropertyPage* page) const
{
    // Each scroll bar appears only where the page does not fit the area, and
    // one that appears takes room the page may then miss in the other way.
    const QRect area = m_pTabCtrl->GetDisplayRect().translated(m_pTabCtrl->pos());
    const QSize least = page->minimumSize();
    const int barWidth = m_pPageView->verticalScrollBar()->sizeHint().width();
    const int barHeight = m_pPageView->horizontalScrollBar()->sizeHint().height();
    bool across = least.width() > area.width();
    bool down = least.height() > area.height();
    down = down || (across && least.height() > area.height() - barHeight);
    across = across || (down && least.width() > area.width() - barWidth);
    down = down || (across && least.height() > area.height() - barHeight);
    const QSize shown(area.width() - (down ? barWidth : 0), area.height() - (across ? barHeight : 0));
    m_pPageView->setGeometry(area);
    m_pPageHolder->resize(shown.expandedTo(least));
    page->setGeometry(m_pPageHolder->rect());
}

bool CPropertySheet::NotifyKillActive(CPropertyPage* page)
{
    return page->OnKillActive();
}

int CPropertySheet::PageImage(CPropertyPage* page)
{
    if (!(page->m_psp.dwFlags & PSP_USEHICON) || page->m_psp.hIcon.isNull())
        return -1;
    if (!m_pTabImages) {
        m_pTabImages = new CImageList;
        m_pTabImages->Create(16, 16);
        m_pTabCtrl->SetImageList(m_pTabImages);
    }
    const int image = m_pTabImages->Add(page->m_psp.hIcon);
    m_pTabCtrl->SetImageList(m_pTabImages);
    return image;
}

int CPropertySheet::DoModal()
{
    if (!m_bHasWindow && !Create())
        return -1;
    int result = 0;
    if (parentWidget()) {
        result = exec();
    } else {
        // The program's own window: a main window to the window manager (in
        // the task bar, minimised and maximised like any other), not a modal
        // dialog beside which nothing else of the program could be used.
        QEventLoop loop;
        connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
        show();
        loop.exec(QEventLoop::DialogExec);
        result = this->result();
    }
    DestroyWindow();
    return result;
}

bool CPropertySheet::Create()
{
    if (m_bHasWindow)
        return false;
    if (!m_pTabCtrl) {
        m_pTabCtrl = new CTabCtrl(this);
        m_pTabCtrl->setObjectName(QString::number(AFX_IDC_TAB_CONTROL));
        connect(m_pTabCtrl, &CTabCtrl::SelectionPicked, this, [this](int index, int previous) {
            if (!SelectPage(index))
                m_pTabCtrl->SetCurSel(previous);
        });
        const auto makeButton = [this](int id, const char* text) {
            auto* button = new QPushButton(QString::fromLatin1(text), this);
            button->setObjectName(QString::number(id));
            button->setAutoDefault(false);
            connect(button, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
            return button;
        };
        m_pOk = makeButton(IDOK, "OK");
        m_pOk->setDefault(true);
        m_pCancel = makeButton(IDCANCEL, "Cancel");
        m_pApply = makeButton(ID_APPLY_NOW, "&Apply");
    }
    m_pApply->setEnabled(false);
    m_bHasWindow = true;
    qApp->installEventFilter(this);
    // A window of its own is a main window, maximised like any other.
    if (!parentWidget())
        setWindowFlags((windowFlags() & ~Qt::WindowType_Mask) | Qt::Window | Qt::WindowMinMaxButtonsHint);
    OnInitDialog();

    // Set-up has left every child window where it belongs at the size the
    // window opens at; the page area may give up all but the least a page gets.
    m_pStretch = new AnchoredLayout(this, size());
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isWindow() && child != m_pPageView)
            m_pStretch->Anchor(child, AnchorOf(child));
    const QSize spare = (m_pTabCtrl->GetDisplayRect().size() - kMinimumPageSize).expandedTo(QSize(0, 0));
    setMinimumSize(size() - spare);
    m_pStretch->OnPlaced([this] {
        if (CPropertyPage* page = GetCurrentPageWindow())
            PlacePage(page);
    });
    return true;
}

unsigned CPropertySheet::AnchorOf(const QWidget* child) const
{
    if (child == m_pTabCtrl)
        return AnchoredLayout::kAllEdges;
    if (qobject_cast<const QPushButton*>(child))
        return AnchoredLayout::Right | AnchoredLayout::Bottom;
    return AnchoredLayout::Left | AnchoredLayout::Top;
}

void CPropertySheet::DestroyWindow()
{
    if (!m_bHasWindow)
        return;
    OnDestroy();
    qApp->removeEventFilter(this);
    delete m_pStretch;
    m_pStretch = nullptr;
    hide();
    for (CPropertyPage* page : m_pages)
        page->hide();
    while (m_pTabCtrl->GetItemCount() > 0)
        m_pTabCtrl->DeleteItem(0);
    m_nActive = -1;
    m_bHasWindow = false;
}

void CPropertySheet::OnDestroy()
{ }

bool CPropertySheet::OnInitDialog()
{
    m_pTabCtrl->SetStackedTabs(m_bStackedTabs);
    for (int i = 0; i < GetPageCount(); ++i)
        m_pTabCtrl->InsertItem(i, m_pages[static_cast<std::size_t>(i)]->GetPageCaption(),
                               PageImage(m_pages[static_cast<std::size_t>(i)]));
    int start = static_cast<int>(m_psh.nStartPage);
    if (start >= GetPageCount())
        start = 0;
    // The start page gets its window now, so that its size is known.
    if (CPropertyPage* page = GetPage(start))
        page->EnsureCreated();
    LayOut();
    SelectPage(start);
    return true;
}

QSize CPropertySheet::PageExtent() const
{
    QSize extent = kMinimumPageSize;
    for (const CPropertyPage* page : m_pages)
        extent = extent.expandedTo(ExtentOf(page));
    return extent;
}

void CPropertySheet::LayOut()
{
    const DialogUnits units = DialogUnits::ForDefaultFont();
    const int margin = units.ToPixelsX(4);
    const int gap = units.ToPixelsX(4);
    // The platform's buttons are 75 pixels wide (50 dialog units of its
    // classic font), wider only for a text that would not fit. The style's
    // own larger minimum is not used: callers place buttons at fixed distances.
    QSize button(kButtonMinimumWidth, std::max(m_pOk->sizeHint().height(), units.ToPixelsY(14)));
    for (const QPushButton* b : {m_pOk, m_pCancel, m_pApply})
        button.setWidth(std::max(button.width(), b->fontMetrics().horizontalAdvance(b->text()) + kButtonPadding));

    // The tab control is as large as the largest page plus its strip and frame.
    m_pTabCtrl->setGeometry(margin, margin, 100, 100);
    const QRect display = m_pTabCtrl->GetDisplayRect();
    const QSize page = PageExtent();
    const QSize tab(page.width() + 100 - display.width(), page.height() + 100 - display.height());
    m_pTabCtrl->setGeometry(margin, margin, tab.width(), tab.height());

    const int top = margin + tab.height() + gap;
    int right = margin + tab.width();
    for (QPushButton* b : {m_pApply, m_pCancel, m_pOk}) {
        b->setGeometry(right - button.width(), top, button.width(), button.height());
        right -= button.width() + gap;
    }
    const QSize client(margin + tab.width() + margin, top + button.height() + margin);
    MoveWindow(QRect(pos(), client));
    CenterWindow();
}

void CPropertySheet::MoveWindow(const QRect& rect)
{
    setMinimumSize(rect.size());
    resize(rect.size());
    move(rect.topLeft());
}

QWidget* CPropertySheet::GetDlgItem(int id) const
{
    return findChild<QWidget*>(QString::number(id));
}

CPropertyPage* CPropertySheet::GetCurrentPageWindow() const
{
    CPropertyPage* page = m_bHasWindow ? GetPage(m_nActive) : nullptr;
    return page && page->IsCreated() ? page : nullptr;
}

void CPropertySheet::EnableStackedTabs(bool stacked)
{
    m_bStackedTabs = stacked;
    if (m_pTabCtrl)
        m_pTabCtrl->SetStackedTabs(stacked);
}

void CPropertySheet::CenterWindow()
{
    QRect area;
    if (QWidget* owner = parentWidget())
        area = owner->window()->geometry();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isEmpty())
        return;
    move(area.center() - QPoint(width() / 2, height() / 2));
}

bool CPropertySheet::PreTranslateMessage(QKeyEvent* event)
{
    return IsDialogMessage(event);
}

bool CPropertySheet::IsDialogMessage(QKeyEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier) || GetPageCount() == 0)
        return false;
    const int key = event->key();
    const bool back = key == Qt::Key_Backtab || key == Qt::Key_PageUp ||
                      (key == Qt::Key_Tab && (event->modifiers() & Qt::ShiftModifier));
    const bool forward = !back && (key == Qt::Key_Tab || key == Qt::Key_PageDown);
    if (!back && !forward)
        return false;
    const int count = GetPageCount();
    const int index = m_nActive < 0 ? 0 : (m_nActive + (back ? count - 1 : 1)) % count;
    // Reported like any other selection, so that whatever mirrors the
    // current page follows.
    SetActivePage(index);
    return true;
}

bool CPropertySheet::OnCommand(int id)
{
    switch (id) {
    case IDOK:
        if (CPropertyPage* page = GetCurrentPageWindow(); page && page->isVisible() && !NotifyKillActive(page))
            return true;
        done(IDOK);
        return true;
    case IDCANCEL:
        done(IDCANCEL);
        return true;
    case ID_APPLY_NOW:
        if (CPropertyPage* page = GetCurrentPageWindow(); page && page->isVisible() && !NotifyKillActive(page))
            return true;
        m_pApply->setEnabled(false);
        return true;
    default:
        return false;
    }
}

void CPropertySheet::reject()
{
    done(IDCANCEL);
}

bool CPropertySheet::eventFilter(QObject* watched, QEvent* event)
{
    // The page area scrolls to a control that takes the focus however it
    // came there, Tab from the buttons or the tree included.
    if (event->type() == QEvent::FocusIn && watched->isWidgetType() &&
        m_pPageHolder->isAncestorOf(static_cast<QWidget*>(watched)))
        m_pPageView->ensureWidgetVisible(static_cast<QWidget*>(watched));
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this)
        return PreTranslateMessage(static_cast<QKeyEvent*>(event));
    return QDialog::eventFilter(watched, event);
}
