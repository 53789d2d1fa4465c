#include "search_page/CDlg.h"

#include "platform/ui/CDateTimeCtrl.h"
#include "platform/ui/DialogControlTemplate.h"
#include "platform/ui/DialogUnits.h"
#include "platform/ui/FolderWatch.h"
#include "platform/ui/MessageBoxSeam.h"
#include "platform/ui/QtStrings.h"
#include "res/DialogTemplates.h"
#include "res/Resource.h"
#include "res/StringTable.h"
#include "search_page/CalendarMarks.h"
#include "search_page/FileActions.h"
#include "search_page/FileExport.h"
#include "search_page/ListSortChoice.h"
#include "search_page/LiveList.h"
#include "search_page/MyListCtrl.h"
#include "search_page/PageLabels.h"
#include "search_page/PreviewPane.h"
#include "search_page/ResultRowPainter.h"
#include "search_page/RowActions.h"
#include "search_page/SearchPageAccessibility.h"
#include "search_page/SearchPageLayout.h"
#include "search_page/SearchRangePickers.h"
#include "search_page/SearchSummary.h"
#include "search_page/TimelineStrip.h"
#include "search_page/UntouchedEnd.h"
#include "settings/CLoadUISetting.h"

#include <QComboBox>
#include <QHideEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>

#include <algorithm>
#include <unordered_map>
#include <utility>

namespace {

CTime FirstSearchableTime()
{
    return CTime(2005, 1, 1, 0, 0, 0);
}

template <class Control>
Control* BindControl(const CPropertyPage& page, int id)
{
    auto* control = qobject_cast<Control*>(page.GetDlgItem(id));
    Q_ASSERT_X(control != nullptr, "CDlg::DoDataExchange", "control missing from the template");
    return control;
}

} // namespace

CDlg::CDlg(std::string caption, const CLoadUISetting& uiSetting, std::vector<std::string> devices)
    : CPropertyPage(SearchPageTemplate(), caption),
      m_strCaption(std::move(caption)),
      m_aDevices(std::move(devices)),
      m_uiSetting(uiSetting)
{ }

QWidget* CDlg::CreateTemplateControl(const DialogControlTemplate& control)
{
    if (control.nId == IDC_FILE_LIST)
        return new MyListCtrl(this, control.dwStyle);
    return nullptr;
}

void CDlg::DoDataExchange()
{
    m_wndShowAll = BindControl<QPushButton>(*this, IDC_SHOW_ALL);
    m_wndPlayback = BindControl<QPushButton>(*this, IDC_PLAYBACK);
    m_wndExplore = BindControl<QPushButton>(*this, IDC_EXPLORE);
    m_wndDelete = BindControl<QPushButton>(*this, IDC_DELETE);
    m_wndFileType = BindControl<QLabel>(*this, IDC_S_FILE_TYPE);
    m_wndSearchingFiles = BindControl<QLabel>(*this, IDC_GB_SEARCHING_FILES);
    m_wndSearch = BindControl<QPushButton>(*this, IDC_SEARCH);
    m_wndStart = BindControl<QLabel>(*this, IDC_S_START);
    m_wndEnd = BindControl<QLabel>(*this, IDC_S_END);
    m_wndEndTime = BindControl<CDateTimeCtrl>(*this, IDC_END_TIME);
    m_wndStartTime = BindControl<CDateTimeCtrl>(*this, IDC_START_TIME);
    m_wndEndDate = BindControl<CDateTimeCtrl>(*this, IDC_END_DATE);
    m_wndStartDate = BindControl<CDateTimeCtrl>(*this, IDC_START_DATE);
    m_wndCategory = BindControl<QComboBox>(*this, IDC_CATEGORY);
    m_wndList = BindControl<MyListCtrl>(*this, IDC_FILE_LIST);
    m_wndUndo = BindControl<QPushButton>(*this, IDC_UNDO);
}

void CDlg::ConnectHandlers()
{
    connect(m_wndSearch, &QPushButton::clicked, this, &CDlg::OnSearch);
    connect(m_wndPlayback, &QPushButton::clicked, this, &CDlg::OnPlayback);
    connect(m_wndDelete, &QPushButton::clicked, this, &CDlg::OnDelete);
    connect(m_wndExplore, &QPushButton::clicked, this, &CDlg::OnExplore);
    connect(m_wndShowAll, &QPushButton::clicked, this, &CDlg::OnShowAllFiles);
    connect(m_pFileActions, &FileActions::UndoRequested, this, &CDlg::OnUndo);
    connect(m_pFileActions, &FileActions::Started, this, [this] { m_pSearch->HoldDelete(true); });
    connect(m_pFileActions, &FileActions::Done, this, [this] {
        m_pSearch->HoldDelete(false);
        OnSearch();
    });
    connect(m_wndList, &MyListCtrl::DrawItem, this, &CDlg::OnDrawItem);
    connect(m_wndList, &MyListCtrl::ColumnClick, m_pSortChoice, &ListSortChoice::OnColumnClick);
    connect(m_pSortChoice, &ListSortChoice::Changed, this, &CDlg::FollowSortChoice);
    connect(m_wndList, &MyListCtrl::KeyDown, this, &CDlg::OnListKeyDown);
    connect(m_wndList, &MyListCtrl::LButtonDown, this, &CDlg::OnLButtonDown, Qt::QueuedConnection);
    connect(m_wndList, &MyListCtrl::LButtonDblClk, this, &CDlg::OnLButtonDblClk, Qt::QueuedConnection);
    connect(m_wndList, &MyListCtrl::LButtonUp, this, &CDlg::OnLButtonUp, Qt::QueuedConnection);
    connect(
        m_wndList, &MyListCtrl::DragStarted, this, [this] { m_nPressedInSelection = -1; }, Qt::QueuedConnection);
    connect(m_pSearch, &PageSearch::RowsArrived, this, &CDlg::OnRowsArrived);
    connect(m_pSearch, &PageSearch::Finished, this, &CDlg::OnSearchFinished);
    connect(m_pFolderWatch, &FolderWatch::Changed, this, &CDlg::OnFolderChanged);
    connect(m_pLiveList, &LiveList::Changed, this, &CDlg::OnLiveRows);

    // Shortcuts, since they come before the sheet, which keeps Enter from
    // every control of the window.
    auto* play = new QShortcut(m_wndList);
    play->setKeys({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    play->setContext(Qt::WidgetShortcut);
    connect(play, &QShortcut::activated, this, [this] {
        if (m_nCurrentRow >= 0 && m_nCurrentRow < m_wndList->GetItemCount())
            OnPlayback();
    });
    auto* search = new QShortcut(QKeySequence(Qt::Key_F5), this);
    search->setContext(Qt::WidgetWithChildrenShortcut);
    connect(search, &QShortcut::activated, m_wndSearch, &QPushButton::click);
}

bool CDlg::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    DoDataExchange();
    m_pSearch = new PageSearch(this, m_wndPlayback, m_wndDelete, m_wndExplore);
    m_pSummary = new SearchSummary(this, findChild<QLabel*>(QString::number(IDC_SEARCH_PROGRESS)));
    m_pFileActions = new FileActions(this, m_wndUndo, *m_pLauncher, m_pTrash);
    m_pExport = new FileExport(this, m_strCaption, *m_pLauncher);
    m_pExport->UseFolderChooser(m_chooseFolder);
    m_pExport->UseBeforeChunk(m_beforeCopyChunk);
    m_pSortChoice = &ListSortChoice::Of(*window());
    m_pFolderWatch = new FolderWatch(this, m_fnIsShare, m_nListingMs > 0 ? m_nListingMs : FolderWatch::kListingMs);
    m_pLiveList = new LiveList(this, [this] { return std::shared_ptr<const RecordedFileTable>(m_aFiles); });
    ConnectHandlers();
    m_pPreview = new PreviewPane(m_wndList, this);
    m_pCalendarMarks = new CalendarMarks(this, {m_wndStartDate, m_wndEndDate});
    m_pRowActions = new RowActions(*this, *m_wndList, m_pPreview->ShowAction());
    m_pTimeline = new TimelineStrip(this, *m_wndList, m_aDevices);
    connect(m_pTimeline, &TimelineStrip::RowClicked, this, [this](int row) {
        MakeRowCurrent(row);
        m_wndList->EnsureVisible(row);
    });

    setWindowTitle(ToQString(m_strCaption));

    const PageLabels labels = ReadPageLabels(*this, m_uiSetting);
    for (const std::string& category : labels.astrCategories)
        m_wndCategory->addItem(ToQString(category));
    m_wndCategory->setCurrentIndex(0);

    Pickers().Show(FirstSearchableTime(), CTime::GetCurrentTime());

    m_strCategory = ToStdString(m_wndCategory->currentText());

    m_wndList->SetExtendedStyle(m_wndList->GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    m_wndList->SetMarkSource([this](int nItem) { return ItemState(nItem); }, [this] { return m_nCurrentRow; });

    SearchPageLayout::InsertColumns(*m_wndList, labels.astrHeadings, m_aDevices.empty() ? "" : "Camera");
    m_wndList->SortItems(m_pSortChoice->Column(), m_pSortChoice->Order());
    SearchPageLayout::Install(*this);
    SearchPageAccessibility::Describe(*this);

    Pickers().UseDisplayFormats();

    m_wndCategory->setCurrentIndex(0);
    m_nCurrentRow = 0;
    // From here on a change of the end is the user's.
    m_pUntouchedEnd = new UntouchedEnd(this, m_wndEndDate, m_wndEndTime);
    OnSearch();
    return true;
}

void CDlg::OnSearch()
{
    m_pFileActions->ForgetUndo();
    m_pPreview->Dismiss();

    BackgroundSearch::Request request;
    request.strRecordingDir = m_uiSetting.RecordingDir();
    request.strDevice = m_strCaption;
    request.aDevices = m_aDevices;
    request.strCategory = ToStdString(m_wndCategory->currentText());
    for (int i = 0; i < m_wndCategory->count(); ++i)
        request.aCategoryTexts.push_back(ToStdString(m_wndCategory->itemText(i)));
    request.nCategoryEntry = m_wndCategory->currentIndex();
    request.strCategoryFolder = m_strCategoryFolder;
    Pickers().Read(request.tSearchStart, request.tSearchEnd);
    if (m_pUntouchedEnd != nullptr && !m_pUntouchedEnd->IsTouched()) {
        m_pUntouchedEnd->Showing([&] { Pickers().Show(request.tSearchStart, CTime::GetCurrentTime()); });
        // As the pickers now show it, to the minute.
        Pickers().Read(request.tSearchStart, request.tSearchEnd);
    }
    m_bListIsNew = false;
    m_pFolderWatch->Stop();
    m_bWatching = false;
    m_pLiveList->Stop();
    m_tSearchBegan = CTime::GetCurrentTime();
    m_pSearch->Start(std::move(request));
}

void CDlg::TakeSearch(BackgroundSearch::Result& search)
{
    m_strCategory = std::move(search.request.strCategory);
    m_tSearchStart = search.request.tSearchStart;
    m_tSearchEnd = search.request.tSearchEnd;
    m_pTimeline->SetRange(m_tSearchStart, m_tSearchEnd);
    m_strCategoryFolder = std::move(search.strCategoryFolder);
    m_strFolderPath = std::move(search.strFolderPath);
    m_aFolderPaths = std::move(search.aFolderPaths);
    m_pPreview->SetFolder(GetCategoryFolderPath());
}

void CDlg::NewTable()
{
    // The previous rows go before the new ones take their room.
    m_wndList->DeleteAllItems();
    m_aFiles = std::make_shared<RecordedFileTable>();
    m_wndList->SetItems(m_aFiles);
    m_nFiles = 0;
    m_bListIsNew = true;
}

void CDlg::OnRowsArrived()
{
    BackgroundSearch::Arrival arrival = m_pSearch->TakeRows();
    const bool first = arrival.start.has_value();
    if (first) {
        TakeSearch(*arrival.start);
        NewTable();
    }
    m_aFiles->Append(arrival.rows);
    arrival.rows = {};
    const std::vector<int> moved = m_wndList->ItemsAppended();
    m_nFiles = m_wndList->GetItemCount();
    m_pSummary->Set(m_aFiles->GetCount(), m_aFiles->GetTotalSize());
    if (first) {
        m_nCurrentRow = 0;
        m_selection.Reset(m_nFiles, m_nCurrentRow);
    } else {
        m_selection.Grow(m_nFiles);
        if (moved.empty())
            return;
        // Sorted, the new rows go among the others: the current and the
        // selected rows stay on their recordings.
        if (m_nCurrentRow >= 0 && m_nCurrentRow < static_cast<int>(moved.size()))
            m_nCurrentRow = moved[static_cast<std::size_t>(m_nCurrentRow)];
        m_selection.Reorder(moved);
        m_nPressedInSelection = -1;
    }
    m_wndList->MarksChanged();
    FollowCurrentRow();
}

void CDlg::OnSearchFinished()
{
    BackgroundSearch::Result result = m_pSearch->TakeResult();
    TakeSearch(result);
    // A search that found nothing.
    if (!m_bListIsNew) {
        NewTable();
        m_selection.Reset(0, -1);
        m_wndList->MarksChanged();
    }
    m_pSummary->Set(m_aFiles->GetCount(), m_aFiles->GetTotalSize());
    if (result.bScanned) {
        m_pCalendarMarks->Follow(m_aDevices.empty() ? std::vector<std::string>{m_strFolderPath} : m_aFolderPaths,
                                 result.strCategory);
        m_pLiveList->Follow({SearchedFolders(), m_aDevices, result.strCategory, m_tSearchStart, m_tSearchBegan});
        m_pFolderWatch->Watch(SearchedFolders());
        m_bWatching = true;
    }
    const bool found = m_nFiles != 0;
    m_pSearch->SetFound(found);
    if (found)
        FollowCurrentRow();
    // Last: the page behind the message shows what the search left.
    if (!result.bScanned)
        MessageBoxSeam::Show(this, LoadResourceString(IDS_START_AFTER_END));
    emit SearchFinished();
}

std::string CDlg::GetCategoryFolderPath() const
{
    // Before any search under a known category the folder piece is empty,
    // and its separator is still there.
    std::string folder = m_strFolderPath;
    if (m_strCategoryFolder.empty() && (folder.empty() || folder.back() != '/'))
        folder += '/';
    return folder;
}

std::string CDlg::GetFolderPathOf(int nItem) const
{
    if (m_aDevices.empty() || nItem < 0 || nItem >= m_nFiles)
        return GetCategoryFolderPath();
    const std::size_t device = m_aFiles->GetSource(static_cast<std::size_t>(m_wndList->GetItemData(nItem)));
    return device < m_aFolderPaths.size() ? m_aFolderPaths[device] : GetCategoryFolderPath();
}

void CDlg::OnPlayback()
{
    // A double click reaches here while a search has the buttons disabled.
    if (!IsSearching())
        m_pFileActions->Play(GetFolderPathOf(m_nCurrentRow) + "/" + m_wndList->GetItemText(m_nCurrentRow, 0));
}

std::vector<ListedFile> CDlg::GetSelectedFiles() const
{
    std::vector<int> rows = m_selection.Rows();
    if (rows.empty() && m_nCurrentRow >= 0 && m_nCurrentRow < m_nFiles)
        rows.push_back(m_nCurrentRow);
    std::vector<ListedFile> files;
    for (int row : rows) {
        if (row >= m_nFiles)
            continue;
        // On a page of several devices each file names its own folder.
        files.push_back({m_aDevices.empty() ? std::string() : GetFolderPathOf(row), m_wndList->GetItemText(row, 0),
                         m_aFiles->GetFolderIdentity(static_cast<std::size_t>(m_wndList->GetItemData(row))),
                         m_aFiles->GetFileIdentity(static_cast<std::size_t>(m_wndList->GetItemData(row)))});
    }
    return files;
}

void CDlg::OnDelete()
{
    // The rows of a running search are about to go.
    if (m_pFileActions->IsBusy() || IsSearching())
        return;
    std::vector<ListedFile> files = GetSelectedFiles();
    // With no row to act on, the search runs again as after any delete.
    if (files.empty())
        OnSearch();
    else
        m_pFileActions->MoveToTrash(std::move(files), m_strFolderPath);
}

void CDlg::OnDeletePermanently()
{
    if (m_pFileActions->IsBusy() || IsSearching())
        return;
    m_pFileActions->DeletePermanently(GetSelectedFiles(), m_strFolderPath);
}

void CDlg::OnUndo()
{
    if (m_pFileActions->IsBusy())
        return;
    // The search a delete starts may still run, on a slow store for long:
    // it goes, as the undo searches again once it is done.
    m_pSearch->Stop();
    m_pFileActions->Undo();
}

void CDlg::OnExplore()
{
    m_pFileActions->Explore(GetFolderPathOf(m_nCurrentRow));
}

void CDlg::OnExport()
{
    // The rows of a running search are about to go.
    if (IsSearching())
        return;
    m_pExport->Start(GetSelectedFiles(), m_strFolderPath);
}

void CDlg::UseFolderChooser(FolderChooserSeam::Chooser chooser)
{
    m_chooseFolder = std::move(chooser);
    if (m_pExport != nullptr)
        m_pExport->UseFolderChooser(m_chooseFolder);
}

void CDlg::UseBeforeCopyChunk(FileCopier::ChunkHook hook)
{
    m_beforeCopyChunk = std::move(hook);
    if (m_pExport != nullptr)
        m_pExport->UseBeforeChunk(m_beforeCopyChunk);
}

std::vector<std::string> CDlg::GetSelectedPaths() const
{
    std::vector<std::string> paths;
    for (const ListedFile& file : GetSelectedFiles())
        paths.push_back((file.strFolder.empty() ? GetCategoryFolderPath() : file.strFolder) + "/" + file.strName);
    return paths;
}

void CDlg::MakeRowCurrent(int row)
{
    if (row < 0 || row >= m_wndList->GetItemCount())
        return;
    if (!m_selection.IsSelected(row))
        m_selection.Reset(m_wndList->GetItemCount(), row);
    m_nCurrentRow = row;
    m_wndList->MarksChanged();
    FollowCurrentRow();
}

void CDlg::OnShowAllFiles()
{
    m_pUntouchedEnd->Reset();
    m_pUntouchedEnd->Showing([this] { Pickers().Show(FirstSearchableTime(), CTime::GetCurrentTime()); });
    OnSearch();
}

void CDlg::mousePressEvent(QMouseEvent* event)
{
    // A click on the page itself is hit-tested as if in the list's coordinates.
    if (event->button() == Qt::LeftButton)
        OnLButtonDown(event->position().toPoint(), event->modifiers());
    event->accept();
}

void CDlg::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        OnLButtonDblClk(event->position().toPoint(), event->modifiers());
    event->accept();
}

void CDlg::hideEvent(QHideEvent* event)
{
    // Another page is shown or the sheet closes; a minimised window (a hide
    // from the window system) goes on searching.
    if (!event->spontaneous()) {
        // Its criteria stay in the form; the search runs again on return.
        m_bSearchOnShow = IsSearching();
        m_pSearch->Stop();
        m_pFolderWatch->Stop();
        m_pLiveList->Stop();
        m_pCalendarMarks->Pause();
        // Undo is offered only until the page is left.
        m_pFileActions->ForgetUndo();
    }
    CPropertyPage::hideEvent(event);
}

void CDlg::showEvent(QShowEvent* event)
{
    CPropertyPage::showEvent(event);
    if (std::exchange(m_bSearchOnShow, false)) {
        OnSearch();
        return;
    }
    if (!event->spontaneous())
        m_pCalendarMarks->Resume();
    if (m_bWatching && !event->spontaneous()) {
        // What came or went while another page was shown.
        m_pFolderWatch->Watch(SearchedFolders());
        OnFolderChanged();
    }
}

std::vector<std::string> CDlg::SearchedFolders() const
{
    return m_aDevices.empty() ? std::vector<std::string>{GetCategoryFolderPath()} : m_aFolderPaths;
}

void CDlg::OnFolderChanged()
{
    // A search under way, or a delete that searches when done, shows the
    // change anyway.
    if (IsSearching() || m_pFileActions->IsBusy())
        return;
    CTime end = m_tSearchEnd;
    if (m_pUntouchedEnd != nullptr && !m_pUntouchedEnd->IsTouched()) {
        m_pUntouchedEnd->Showing([&] { Pickers().Show(m_tSearchStart, CTime::GetCurrentTime()); });
        CTime start;
        Pickers().Read(start, end);
    }
    m_pLiveList->Look(end);
}

std::optional<CDlg::RowName> CDlg::RowNameAt(int nItem) const
{
    const int row = nItem >= 0 && nItem < m_nFiles ? m_wndList->GetItemData(nItem) : -1;
    if (row < 0)
        return std::nullopt;
    const auto i = static_cast<std::size_t>(row);
    return RowName{m_aFiles->GetSource(i), m_aFiles->GetFileName(i)};
}

void CDlg::OnLiveRows()
{
    RecordedFileTable rows = m_pLiveList->TakeRows();
    if (IsSearching())
        return;
    m_tSearchEnd = m_pLiveList->SearchEnd();

    // The current row, the selection and the top row stay on their
    // recordings; one that went leaves the current row where it was. Their
    // names are views into the rows shown so far, kept until the end.
    const std::shared_ptr<const RecordedFileTable> before = m_aFiles;
    const std::optional<RowName> current = RowNameAt(m_nCurrentRow);
    std::vector<RowName> selected;
    for (int row : m_selection.Rows())
        if (const std::optional<RowName> name = RowNameAt(row))
            selected.push_back(*name);
    const std::optional<RowName> top = RowNameAt(m_wndList->rowAt(0));
    const int scrolled = m_wndList->verticalScrollBar()->value();
    // Where each of them is shown now: one pass over the new rows, asking
    // only for these, since a list of many rows is to cost no more than that.
    std::unordered_map<RowName, int, RowNameHash> shownAt;
    shownAt.reserve(selected.size() + 2);
    for (const std::optional<RowName>& name : {current, top})
        if (name)
            shownAt.emplace(*name, -1);
    for (const RowName& name : selected)
        shownAt.emplace(name, -1);

    m_aFiles = std::make_shared<RecordedFileTable>(std::move(rows));
    m_wndList->SetItems(m_aFiles);
    m_nFiles = m_wndList->GetItemCount();
    for (int row = 0; row < m_nFiles; ++row) {
        if (const auto it = shownAt.find(*RowNameAt(row)); it != shownAt.end())
            it->second = row;
    }
    const auto find = [&](const std::optional<RowName>& name) {
        const auto it = name ? shownAt.find(*name) : shownAt.end();
        return it == shownAt.end() ? -1 : it->second;
    };

    int currentRow = find(current);
    if (currentRow < 0)
        currentRow = std::min(m_nCurrentRow, m_nFiles - 1);
    if (currentRow != m_nCurrentRow)
        m_pPreview->Dismiss();
    m_nCurrentRow = currentRow;
    m_selection.Reset(m_nFiles, -1);
    for (const RowName& name : selected)
        m_selection.Toggle(find(name));
    m_nPressedInSelection = -1;
    if (const int topRow = find(top); topRow >= 0)
        m_wndList->scrollTo(m_wndList->model()->index(topRow, 0), QAbstractItemView::PositionAtTop);
    else
        m_wndList->verticalScrollBar()->setValue(scrolled);

    m_pSummary->Set(m_aFiles->GetCount(), m_aFiles->GetTotalSize());
    m_pSearch->SetFound(m_nFiles != 0);
    m_wndList->MarksChanged();
    FollowCurrentRow();
}

void CDlg::OnLButtonDown(QPoint listPoint, Qt::KeyboardModifiers modifiers)
{
    const int row = m_wndList->HitTest(listPoint);
    m_nPressedInSelection = m_selection.Press(row, m_wndList->GetItemCount(), modifiers) ? row : -1;
    m_nCurrentRow = row;
    update();
    m_wndList->EnsureVisible(row);
    m_wndList->MarksChanged();
    m_wndList->setFocus(Qt::MouseFocusReason);
    FollowCurrentRow();
}

void CDlg::OnLButtonUp(QPoint listPoint)
{
    const int row = m_nPressedInSelection;
    m_nPressedInSelection = -1;
    if (row < 0 || m_wndList->HitTest(listPoint) != row)
        return;
    m_selection.Reset(m_wndList->GetItemCount(), row);
    m_wndList->MarksChanged();
}

void CDlg::OnLButtonDblClk(QPoint listPoint, Qt::KeyboardModifiers)
{
    m_nCurrentRow = m_wndList->HitTest(listPoint);
    m_selection.Reset(m_wndList->GetItemCount(), m_nCurrentRow);
    update();
    m_wndList->MarksChanged();
    OnPlayback();
}

void CDlg::OnListKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    const int count = m_wndList->GetItemCount();
    const bool shift = (modifiers & Qt::ShiftModifier) != 0;
    if (key == Qt::Key_Delete) {
        if (shift)
            OnDeletePermanently();
        else
            OnDelete();
        return;
    }
    if (key == Qt::Key_A && modifiers == Qt::ControlModifier) {
        m_selection.SelectAll();
        m_wndList->MarksChanged();
        return;
    }
    const std::optional<int> moved = RowSelection::RowForKey(key, shift, m_nCurrentRow, count);
    if (!moved)
        return;
    const int row = *moved;
    m_nCurrentRow = row;
    if (shift)
        m_selection.Extend(row);
    else
        m_selection.Reset(count, row);
    m_wndList->EnsureVisible(row);
    m_wndList->MarksChanged();
    FollowCurrentRow();
}

unsigned CDlg::ItemState(int nItem) const
{
    return (m_selection.IsSelected(nItem) ? LVIS_SELECTED : 0u) | (nItem == m_nCurrentRow ? LVIS_FOCUSED : 0u);
}

void CDlg::FollowCurrentRow()
{
    // The rows of a running search are about to go, and Escape stops it.
    if (IsSearching())
        m_pPreview->Dismiss();
    else
        m_pPreview->Follow(GetFolderPathOf(m_nCurrentRow), m_wndList->GetItemText(m_nCurrentRow, 0), m_nCurrentRow);
}

void CDlg::FollowSortChoice()
{
    const std::vector<int> moved = m_wndList->SortItems(m_pSortChoice->Column(), m_pSortChoice->Order());
    // The current and the selected rows stay on their recordings.
    if (m_nCurrentRow >= 0 && m_nCurrentRow < static_cast<int>(moved.size()))
        m_nCurrentRow = moved[static_cast<std::size_t>(m_nCurrentRow)];
    m_selection.Reorder(moved);
    m_nPressedInSelection = -1;
    m_wndList->EnsureVisible(m_nCurrentRow);
    m_wndList->MarksChanged();
    // The preview is placed by its row, which has moved.
    m_pPreview->Dismiss();
    FollowCurrentRow();
}

void CDlg::OnDrawItem(QPainter* painter, int nItem)
{
    PaintResultRow(*painter, *m_wndList, nItem, m_selection.IsSelected(nItem));
}
