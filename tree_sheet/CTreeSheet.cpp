#include "tree_sheet/CTreeSheet.h"

#include "platform/Utf8Cut.h"
#include "platform/ui/AnchoredLayout.h"
#include "platform/ui/CPropertyPage.h"
#include "platform/ui/CTabCtrl.h"
#include "res/Resource.h"
#include "res/StringTable.h"
#include "tree_sheet/CPageFrameDefault.h"

#include <QKeyEvent>

#include <new>

namespace TreeSheet {

namespace {

// Every occurrence of what in text becomes with, left to right.
std::string ReplaceAll(std::string text, const std::string& what, const std::string& with)
{
    for (std::size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + with.size()))
        text.replace(pos, what.size(), with);
    return text;
}

} // namespace

CTreeSheet::CTreeSheet() = default;

CTreeSheet::CTreeSheet(int ownTitleList)
{
    UsePageTitles(ownTitleList);
}

CTreeSheet::CTreeSheet(unsigned captionId, QWidget* parent, unsigned selectPage)
    : CPropertySheet(LoadResourceString(captionId), parent, selectPage)
{ }

CTreeSheet::CTreeSheet(const std::string& caption, QWidget* parent, unsigned selectPage)
    : CPropertySheet(caption, parent, selectPage)
{ }

CTreeSheet::~CTreeSheet()
{
    // The tree reports to this object; it must go while this object still exists.
    DestroyWindow();
}

bool CTreeSheet::SetTreeOptions(bool treeMode, bool showPageCaption, bool treeImages)
{
    if (HasWindow())
        return false;
    m_bTreeMode = treeMode;
    if (treeMode) {
        m_bShowPageCaption = showPageCaption;
        m_bTreeImages = treeImages;
    }
    return true;
}

bool CTreeSheet::SetTreePaneWidth(int width)
{
    if (HasWindow())
        return false;
    m_nTreeWidth = width;
    return true;
}

void CTreeSheet::SetNoPageMessage(const std::string& format)
{
    m_strNoPageMessage = format;
}

unsigned CTreeSheet::SetNoPageMessageFormat(unsigned drawFlags)
{
    if (!m_pFrame)
        return 0;
    const unsigned previous = m_pFrame->GetMessageFormat();
    m_pFrame->SetMessageFormat(drawFlags);
    return previous;
}

bool CTreeSheet::SetFallbackImages(const CImageList& images)
{
    if (images.GetImageCount() != 2)
        return false;
    m_FallbackImages = images;
    if (HasWindow())
        RebuildPageTree();
    return true;
}

bool CTreeSheet::SetFallbackImages(const QString& bitmapPath, int cx, const QColor& maskColour)
{
    m_FallbackImages.DeleteImageList();
    if (!m_FallbackImages.LoadStrip(bitmapPath, cx, maskColour))
        return false;
    if (m_FallbackImages.GetImageCount() != 2) {
        m_FallbackImages.DeleteImageList();
        return false;
    }
    return true;
}

bool CTreeSheet::AttachPageIcon(CPropertyPage* page, const QIcon& icon)
{
    if (!page || icon.isNull())
        return false;
    page->m_psp.dwFlags |= PSP_USEHICON;
    page->m_psp.hIcon = icon;
    return true;
}

bool CTreeSheet::AttachPageIcon(CPropertyPage* page, const QString& iconPath)
{
    return AttachPageIcon(page, QIcon(iconPath));
}

bool CTreeSheet::AttachPageIcon(CPropertyPage* page, const CImageList& images, int index)
{
    return AttachPageIcon(page, images.ExtractIcon(index));
}

bool CTreeSheet::ReleasePageIcon(CPropertyPage* page)
{
    if (!page || !(page->m_psp.dwFlags & PSP_USEHICON) || page->m_psp.hIcon.isNull())
        return false;
    page->m_psp.dwFlags &= ~PSP_USEHICON;
    page->m_psp.hIcon = QIcon();
    return true;
}

std::vector<std::string>* CTreeSheet::UsePageTitles(int ownTitleList)
{
    m_bOwnTitleList = ownTitleList;
    m_pTitleStorage = std::make_unique<std::vector<std::string>>();
    m_pPageTitles = m_pTitleStorage.get();
    return m_pPageTitles;
}

void CTreeSheet::AddPageTitle(const std::string& title)
{
    if (m_pPageTitles)
        m_pPageTitles->push_back(title);
}

std::string CTreeSheet::GetPageTitle(int index) const
{
    if (!m_pPageTitles || index < 0 || static_cast<std::size_t>(index) >= m_pPageTitles->size())
        return {};
    return (*m_pPageTitles)[static_cast<std::size_t>(index)];
}

long CTreeSheet::OnInstanceQuery()
{
    return WM_INSTANCE_QUERY;
}

void CTreeSheet::ComeToFront()
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

std::string CTreeSheet::FormatNoPageMessage(const std::string& format, const std::string& nodeText)
{
    // The one argument fills the first "%s"; "%%" is a percent sign. Anything
    // else stays as written, so no format can read an argument that is not there.
    std::string message;
    bool used = false;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == '%') {
                message += '%';
                ++i;
                continue;
            }
            if (format[i + 1] == 's' && !used) {
                message += nodeText;
                used = true;
                ++i;
                continue;
            }
        }
        message += format[i];
    }
    return message;
}

CTreeCtrl* CTreeSheet::NewPageTreeControl()
{
    return new CTreeCtrl;
}

CPageFrame* CTreeSheet::NewPageFrame()
{
    return new CPageFrameDefault;
}

bool CTreeSheet::OnInitDialog()
{
    if (m_bTreeMode) {
        EnableStackedTabs(false);
        QSize size(16, 16);
        if (m_FallbackImages.GetImageCount() > 0)
            size = m_FallbackImages.GetImageSize();
        m_TreeImages.Create(size.width(), size.height());
    }
    const bool result = CPropertySheet::OnInitDialog();
    m_buttons.SetUp();
    if (m_bTreeMode)
        SetUpTree();
    return result;
}

void CTreeSheet::SetUpTree()
{
    CTabCtrl* tab = GetTabControl();
    if (!tab)
        return;
    tab->hide();
    tab->setEnabled(false);
    const QRect rf = tab->geometry();

    m_pFrame = NewPageFrame();
    if (!m_pFrame)
        throw std::bad_alloc();
    m_pFrame->CreateFrame(rf, this, PAGE_FRAME_ID);
    m_pFrame->EnableCaption(m_bShowPageCaption);

    QRect window = geometry();
    window.setWidth(window.width() + m_nTreeWidth);
    MoveWindow(window);
    CenterWindow();
    ShiftChildWindows(m_nTreeWidth, 0);

    QRect rt = rf;
    rt.setWidth(m_nTreeWidth - 5);

    int h = 0;
    {
        CTabCtrl measure(this);
        measure.setObjectName(QString::number(MEASURE_TAB_ID));
        measure.setGeometry(rf);
        measure.InsertItem(0, std::string());
        h = measure.GetItemRect(0).height();
    }
    m_pFrame->SetCaptionBarHeight(h);

    if (!m_bShowPageCaption) {
        QWidget* frame = m_pFrame->GetFrameWnd();
        QRect rect = frame->geometry();
        rect.setTop(rect.top() + h);
        frame->setGeometry(rect);
        ShiftChildWindows(0, -h);
        rt.setBottom(rt.bottom() - h);
        QRect sheet = geometry();
        sheet.setTop(sheet.top() + h / 2);
        sheet.setBottom(sheet.bottom() - (h - h / 2));
        MoveWindow(sheet);
    }

    m_pPageTree = NewPageTreeControl();
    if (!m_pPageTree)
        throw std::bad_alloc();
    m_pPageTree->setParent(this);
    m_pPageTree->setObjectName(QString::number(PAGE_TREE_ID));
    m_pPageTree->setWindowTitle(QStringLiteral("PageTree"));
    m_pPageTree->setAccessibleName(QStringLiteral("Pages"));
    m_pPageTree->setFocusPolicy(Qt::StrongFocus);
    m_pPageTree->setMouseTracking(true);
    m_pPageTree->setGeometry(rt);
    m_pPageTree->SetSelChangeHandlers(
        [this](const CTreeCtrl::NMTREEVIEW& notify, long* result) { OnTreeSelChanging(notify, result); },
        [this](const CTreeCtrl::NMTREEVIEW& notify, long* result) { OnTreeSelChanged(notify, result); });
    m_pPageTree->show();
    if (m_bTreeImages)
        m_pPageTree->SetImageList(&m_TreeImages);

    RebuildPageTree();
    if (tab->GetCurSel() >= 0)
        SelectTreeItemForPage(tab->GetCurSel());
}

unsigned CTreeSheet::AnchorOf(const QWidget* child) const
{
    if (m_pFrame && child == m_pFrame->GetFrameWnd())
        return AnchoredLayout::kAllEdges;
    if (child == m_pPageTree)
        return AnchoredLayout::Left | AnchoredLayout::Top | AnchoredLayout::Bottom;
    return CPropertySheet::AnchorOf(child);
}

void CTreeSheet::ShiftChildWindows(int dx, int dy)
{
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isWindow())
            child->move(child->pos() + QPoint(dx, dy));
}

void CTreeSheet::OnDestroy()
{
    CPropertySheet::OnDestroy();
    if (m_TreeImages.IsCreated())
        m_TreeImages.DeleteImageList();
    if (m_pPageTree) {
        m_pPageTree->SetSelChangeHandlers({}, {});
        delete m_pPageTree;
        m_pPageTree = nullptr;
    }
    delete m_pFrame;
    m_pFrame = nullptr;
    m_buttons.Stop();
}

bool CTreeSheet::PreTranslateMessage(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape)
        return true;
    if (key == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        m_buttons.OpenHelp();
        return true;
    }
    return CPropertySheet::PreTranslateMessage(event);
}

bool CTreeSheet::IsDialogMessage(QKeyEvent* event)
{
    const bool tab = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
    if (tab && (event->modifiers() & Qt::ControlModifier)) {
        if (event->key() == Qt::Key_Backtab || (event->modifiers() & Qt::ShiftModifier))
            StepToPreviousPage();
        else
            StepToNextPage();
        return true;
    }
    return CPropertySheet::IsDialogMessage(event);
}

bool CTreeSheet::OnCommand(int id)
{
    if (id == ID_APPLY_NOW) {
        m_buttons.OpenHelp();
        return true;
    }
    return CPropertySheet::OnCommand(id);
}

void CTreeSheet::OnPageAdded(int)
{
    if (m_bTreeMode && m_pPageTree) {
        RebuildPageTree();
        SyncTreeToActivePage();
    }
}

void CTreeSheet::OnPageRemoved(int)
{
    if (m_bTreeMode && m_pPageTree) {
        RebuildPageTree();
        SyncTreeToActivePage();
    }
}

void CTreeSheet::OnPageSelected(int)
{
    if (m_bTreeMode && m_pPageTree) {
        SyncTreeToActivePage();
        RefreshFrameCaption();
    }
}

std::string CTreeSheet::TakeFirstPathSegment(std::string& rest)
{
    std::size_t pos = 0;
    for (;;) {
        pos = pos > rest.size() ? std::string::npos : rest.find("::", pos);
        if (pos == std::string::npos) {
            std::string whole = std::move(rest);
            rest.clear();
            return whole;
        }
        if (pos == 0) {
            pos = 1;
            continue;
        }
        std::size_t backslashes = 0;
        while (backslashes < pos && rest[pos - 1 - backslashes] == '\\')
            ++backslashes;
        if (backslashes % 2 == 1) {
            ++pos;
            continue;
        }
        std::string segment = ReplaceAll(ReplaceAll(rest.substr(0, pos), "\\::", "::"), "\\\\", "\\");
        rest.erase(0, pos + 2);
        return segment;
    }
}

HTREEITEM CTreeSheet::InsertPagePath(const std::string& path, HTREEITEM parent)
{
    if (!m_pPageTree)
        return nullptr;
    std::string rest = path;
    const std::string segment = TakeFirstPathSegment(rest);

    HTREEITEM item = nullptr;
    for (HTREEITEM child = m_pPageTree->GetChildItem(parent); child; child = m_pPageTree->GetNextSiblingItem(child))
        if (m_pPageTree->GetItemText(child) == segment) {
            item = child;
            break;
        }
    if (!item) {
        item = m_pPageTree->InsertItem(segment, parent);
        if (!item)
            return nullptr;
        if (!rest.empty() && m_bTreeImages && m_FallbackImages.GetImageCount() > 0) {
            const int nodeImage = m_TreeImages.GetImageCount() - 2;
            m_pPageTree->SetItemImage(item, nodeImage, nodeImage);
        }
    }
    return rest.empty() ? item : InsertPagePath(rest, item);
}

void CTreeSheet::RebuildPageTree()
{
    if (!HasWindow() || !m_pPageTree)
        return;
    m_pPageTree->DeleteAllItems();
    CTabCtrl* tab = GetTabControl();
    if (!tab)
        return;
    const int n = tab->GetItemCount();

    if (m_bTreeImages) {
        for (int i = m_TreeImages.GetImageCount() - 1; i >= 0; --i)
            m_TreeImages.Remove(i);
        if (const CImageList* tabImages = tab->GetImageList())
            for (int i = 0; i < tabImages->GetImageCount(); ++i)
                m_TreeImages.Add(tabImages->ExtractIcon(i));
        if (m_FallbackImages.GetImageCount() > 0) {
            m_TreeImages.Add(m_FallbackImages.ExtractIcon(0));
            m_TreeImages.Add(m_FallbackImages.ExtractIcon(1));
        }
    }

    for (int i = 0; i < n; ++i) {
        std::string text;
        int image = -1;
        tab->GetItem(i, &text, &image);
        if (m_pPageTitles)
            text = GetPageTitle(i);
        HTREEITEM item = InsertPagePath(std::string(CutUtf8(text, kMaxPathLength)), TVI_ROOT);
        if (!item)
            continue;
        m_pPageTree->SetItemData(item, i);
        if (m_bTreeImages) {
            if (image < 0 || image >= m_TreeImages.GetImageCount())
                image = m_FallbackImages.GetImageCount() > 0 ? m_TreeImages.GetImageCount() - 1 : -1;
            m_pPageTree->SetItemImage(item, image, image);
        }
    }
}

HTREEITEM CTreeSheet::FindTreeItemForPage(int page, HTREEITEM first)
{
    if (!m_pPageTree)
        return nullptr;
    if (first == TVI_ROOT)
        first = m_pPageTree->GetRootItem();
    if (page < 0 || page >= GetPageCount() || !first)
        return nullptr;
    for (HTREEITEM item = first; item; item = m_pPageTree->GetNextSiblingItem(item)) {
        if (m_pPageTree->GetItemData(item) == page)
            return item;
        if (m_pPageTree->ItemHasChildren(item))
            if (HTREEITEM found = FindTreeItemForPage(page, m_pPageTree->GetChildItem(item)))
                return found;
    }
    return nullptr;
}

bool CTreeSheet::SelectTreeItemForPage(int page)
{
    HTREEITEM item = FindTreeItemForPage(page, TVI_ROOT);
    if (!item)
        return false;
    return m_pPageTree->SelectItem(item);
}

bool CTreeSheet::SyncTreeToActivePage()
{
    CTabCtrl* tab = GetTabControl();
    if (!tab || !HasWindow())
        return false;
    return SelectTreeItemForPage(tab->GetCurSel());
}

bool CTreeSheet::DeactivateCurrentPage()
{
    CPropertyPage* page = GetCurrentPageWindow();
    if (!page || page->isHidden())
        return true;
    if (!NotifyKillActive(page))
        return false;
    page->hide();
    return true;
}

void CTreeSheet::OnTreeSelChanging(const CTreeCtrl::NMTREEVIEW& notify, long* result)
{
    *result = 0;
    if (m_bInSelChange)
        return;
    m_bInSelChange = true;
    const long page = notify.itemNew ? m_pPageTree->GetItemData(notify.itemNew) : -1;
    bool ok;
    if (page >= 0 && static_cast<unsigned long>(page) < m_pPageTree->GetCount())
        ok = SetActivePage(static_cast<int>(page));
    else
        ok = DeactivateCurrentPage();
    if (!ok)
        *result = 1;
    m_pPageTree->setFocus();
    m_bInSelChange = false;
}

void CTreeSheet::OnTreeSelChanged(const CTreeCtrl::NMTREEVIEW&, long* result)
{
    *result = 0;
    RefreshFrameCaption();
}

void CTreeSheet::RefreshFrameCaption()
{
    if (!m_pFrame || !m_pPageTree)
        return;
    const CPropertyPage* page = GetCurrentPageWindow();
    const bool pageShown = page && !page->isHidden();
    HTREEITEM item = m_pPageTree->GetSelectedItem();
    if (!item)
        return;
    const std::string text = m_pPageTree->GetItemText(item);
    if (!pageShown)
        m_pFrame->SetMessageText(FormatNoPageMessage(m_strNoPageMessage, text));

    CTabCtrl* tab = GetTabControl();
    if (!m_pFrame->IsCaptionEnabled() || !tab)
        return;
    QIcon icon;
    if (m_bTreeImages) {
        icon = m_TreeImages.ExtractIcon(m_pPageTree->GetItemSelectedImage(item));
    } else if (pageShown && tab->GetImageList()) {
        int image = -1;
        if (tab->GetItem(static_cast<int>(m_pPageTree->GetItemData(item)), nullptr, &image))
            icon = tab->GetImageList()->ExtractIcon(image);
    } else {
        m_pFrame->SetCaptionText(text);
        return;
    }
    m_pFrame->SetCaptionText(text, icon);
}

void CTreeSheet::StepActivePage(int step)
{
    const int i = GetActiveIndex();
    const int count = GetPageCount();
    if (i < 0 || i >= count)
        return;
    SetActivePage((i + step + count) % count);
}

void CTreeSheet::StepToPreviousPage()
{
    if (!HasWindow())
        return;
    if (!m_pPageTree) {
        StepActivePage(-1);
        return;
    }
    HTREEITEM s = m_pPageTree->GetSelectedItem();
    if (!s)
        return;
    HTREEITEM p = m_pPageTree->GetPrevSiblingItem(s);
    if (p) {
        while (m_pPageTree->ItemHasChildren(p)) {
            p = m_pPageTree->GetChildItem(p);
            while (HTREEITEM next = m_pPageTree->GetNextSiblingItem(p))
                p = next;
        }
    } else {
        p = m_pPageTree->GetParentItem(s);
    }
    if (!p) {
        p = m_pPageTree->GetRootItem();
        for (;;) {
            while (HTREEITEM next = m_pPageTree->GetNextSiblingItem(p))
                p = next;
            if (!m_pPageTree->ItemHasChildren(p))
                break;
            p = m_pPageTree->GetChildItem(p);
        }
    }
    m_pPageTree->SelectItem(p);
}

void CTreeSheet::StepToNextPage()
{
    if (!HasWindow())
        return;
    if (!m_pPageTree) {
        StepActivePage(+1);
        return;
    }
    HTREEITEM s = m_pPageTree->GetSelectedItem();
    if (!s)
        return;
    HTREEITEM next = m_pPageTree->GetChildItem(s);
    if (!next)
        next = m_pPageTree->GetNextSiblingItem(s);
    for (HTREEITEM ancestor = m_pPageTree->GetParentItem(s); !next && ancestor;
         ancestor = m_pPageTree->GetParentItem(ancestor))
        next = m_pPageTree->GetNextSiblingItem(ancestor);
    if (!next)
        next = m_pPageTree->GetRootItem();
    m_pPageTree->SelectItem(next);
}

} // namespace TreeSheet
