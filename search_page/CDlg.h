#pragma once

#include "catalog/RecordedFileTable.h"
#include "platform/CTime.h"
#include "platform/FileCopier.h"
#include "platform/ListedFile.h"
#include "platform/ui/CPropertyPage.h"
#include "platform/ui/FolderChooserSeam.h"
#include "platform/ui/ShellLauncher.h"
#include "search_page/PageSearch.h"
#include "search_page/RowSelection.h"
#include "search_page/SearchRangePickers.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CalendarMarks;
class CDateTimeCtrl;
class CLoadUISetting;
class FileExport;
class FolderWatch;
class ListSortChoice;
class LiveList;
class MyListCtrl;
class PreviewPane;
class RowActions;
class SearchSummary;
class TimelineStrip;
class UntouchedEnd;
class QComboBox;
class QLabel;
class QPainter;
class QPushButton;
class TrashCan;
class FileActions;

// The search page of one device folder: a category, a start and an end
// date/time, the result list and the actions on its current row (Playback,
// Explore) or its selected rows (Delete). Its controls come from dialog
// template 107 the first time the page is shown. The search's life is
// PageSearch's, the file actions FileActions'; the page binds the controls,
// takes the input, keeps the rows and their selection and draws them.
class CDlg : public CPropertyPage {
    Q_OBJECT

public:
    // The page reads the settings files through uiSetting, which must outlive
    // it. With devices, the page searches all of them at once instead of the
    // device folder caption, and lists their rows merged by recorded time,
    // each with its camera in a fourth column (All Cameras).
    CDlg(std::string caption, const CLoadUISetting& uiSetting, std::vector<std::string> devices = {});

    // What plays files back, explores folders and shows files in the file
    // manager: the desktop's unless another is handed in before the page is
    // first shown. It must outlive the launches the page started.
    void UseLauncher(ShellLauncher& launcher) { m_pLauncher = &launcher; }
    ShellLauncher& Launcher() const { return *m_pLauncher; }
    // What tells the list's folders on a share from those on a local disk
    // (FileSystemKind::IsShare unless another is handed in before the page
    // is first shown; called off the window's thread), and how often the
    // list looks at its folders again where no events come.
    void UseShareCheck(std::function<bool(const std::string& folder)> isShare, int listingMs)
    {
        m_fnIsShare = std::move(isShare);
        m_nListingMs = listingMs;
    }
    // Where Delete moves files: the desktop's trash unless another is handed
    // in before the page is first shown (Linux's; Windows's Recycle Bin is
    // the shell's). It must outlive the deletes the page started.
    void UseTrash(TrashCan& trash) { m_pTrash = &trash; }
    // Where Export to Folder asks for its folder: the desktop's folder chooser
    // unless another is handed in.
    void UseFolderChooser(FolderChooserSeam::Chooser chooser);
    // Handed to the copying of each export started after, which calls it on
    // its thread before each chunk of a file (tests hold a copy midway there);
    // none by default.
    void UseBeforeCopyChunk(FileCopier::ChunkHook hook);

    // Time a search runs before the page shows a busy cursor, its progress
    // and Cancel.
    static constexpr int kBusyDelayMs = PageSearch::kBusyDelayMs;

    // The search request: reads the category box and the pickers and starts
    // the category scan off the window's thread (stopping one still running).
    // The list, the current row and the action buttons stay as they are, the
    // actions disabled, until the scan's first rows come: they replace the
    // list, their first row current, and the rest are added as they come,
    // the current row, the selection and the scrolling kept meanwhile. At
    // the scan's end a list still holding the previous rows is emptied, an
    // inverted range is reported and the three action buttons are set.
    virtual void OnSearch();
    bool IsSearching() const { return m_pSearch != nullptr && m_pSearch->IsRunning(); }

    void OnPlayback();
    // Moves the selected rows' files to the trash, off the window's thread;
    // where there is no trash, asks once before deleting them for good.
    void OnDelete();
    // Shift+Delete: deletes the selected rows' files for good, after one
    // question.
    void OnDeletePermanently();
    // Puts the files of the last delete to the trash back; offered until the
    // next search or until the page is left.
    void OnUndo();
    void OnExplore();
    void OnShowAllFiles();
    // Ctrl+E: copies the selected rows' files into a folder the user chooses.
    void OnExport();
    // The full paths of the selected rows' files (the current row's when no
    // row is selected), in list order.
    std::vector<std::string> GetSelectedPaths() const;
    // Makes row current, as for a context menu on it: a row outside the
    // selection becomes the only selected row.
    void MakeRowCurrent(int row);

    // The result table of the last scan, which the list shows, in the
    // window's sort; rows are counted as shown, and the list's GetItemData
    // gives a row's place in the table.
    int m_nFiles = 0;
    std::shared_ptr<RecordedFileTable> m_aFiles = std::make_shared<RecordedFileTable>();
    CTime m_tSearchStart;
    CTime m_tSearchEnd;
    // The device folder; also the page's caption.
    std::string m_strCaption;
    // The devices of a page of several, in page order; empty for one.
    std::vector<std::string> m_aDevices;
    // Of a page of several devices: the folder each device's rows lie in, by
    // a row's source in m_aFiles.
    std::vector<std::string> m_aFolderPaths;
    std::string m_strCategory;
    // The folder the last scan read; the actions act in it.
    std::string m_strCategoryFolder;
    std::string m_strFolderPath;
    // The row the list highlights and the actions use; -1 for none.
    int m_nCurrentRow = -1;

signals:
    // A search ended with its rows in the list (not when it was stopped).
    void SearchFinished();

protected:
    QWidget* CreateTemplateControl(const DialogControlTemplate& control) override;
    bool OnInitDialog() override;
    void DoDataExchange();

    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void ConnectHandlers();
    SearchRangePickers Pickers() const { return {m_wndStartDate, m_wndStartTime, m_wndEndDate, m_wndEndTime}; }
    void OnRowsArrived();
    void OnSearchFinished();
    // The searched folders may have changed: the live list looks at them
    // again, and the rows it hands back take the list's place (OnLiveRows).
    void OnFolderChanged();
    void OnLiveRows();
    // A recording across the tables of searches and looks: its source and
    // its name, a view into the table it was read from.
    struct RowName {
        std::size_t nSource;
        std::string_view name;
        bool operator==(const RowName&) const = default;
    };
    struct RowNameHash {
        std::size_t operator()(const RowName& row) const
        {
            return std::hash<std::string_view>{}(row.name) ^ (row.nSource * 0x9E3779B97F4A7C15u);
        }
    };
    std::optional<RowName> RowNameAt(int nItem) const;
    std::vector<std::string> SearchedFolders() const;
    // What the search that is replacing the list searched and where.
    void TakeSearch(BackgroundSearch::Result& search);
    // Shows a new table, empty, in place of the list's rows.
    void NewTable();
    void OnLButtonDown(QPoint listPoint, Qt::KeyboardModifiers modifiers);
    void OnLButtonDblClk(QPoint listPoint, Qt::KeyboardModifiers modifiers);
    void OnLButtonUp(QPoint listPoint);
    void OnListKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void FollowCurrentRow();
    // Orders the rows as the window's sort choice says.
    void FollowSortChoice();
    void OnDrawItem(QPainter* painter, int nItem);
    // The files an action on the selection acts on, the current row's when
    // no row is selected; their folder is left for the worker to resolve.
    std::vector<ListedFile> GetSelectedFiles() const;
    // The folder of the last search, where the actions act.
    std::string GetCategoryFolderPath() const;
    // The folder the row shown at nItem lies in; GetCategoryFolderPath for
    // no row.
    std::string GetFolderPathOf(int nItem) const;
    // The list's marks of a row: selected, and focused for the current row.
    unsigned ItemState(int nItem) const;

    const CLoadUISetting& m_uiSetting;
    ShellLauncher* m_pLauncher = &ShellLauncher::Desktop();
    TrashCan* m_pTrash = nullptr;
    // For the export, made when the page is first shown.
    FolderChooserSeam::Chooser m_chooseFolder = &FolderChooserSeam::Choose;
    FileCopier::ChunkHook m_beforeCopyChunk;

    QComboBox* m_wndCategory = nullptr;
    CDateTimeCtrl* m_wndStartDate = nullptr;
    CDateTimeCtrl* m_wndStartTime = nullptr;
    CDateTimeCtrl* m_wndEndDate = nullptr;
    CDateTimeCtrl* m_wndEndTime = nullptr;
    QPushButton* m_wndSearch = nullptr;
    QPushButton* m_wndShowAll = nullptr;
    MyListCtrl* m_wndList = nullptr;
    QPushButton* m_wndPlayback = nullptr;
    QPushButton* m_wndDelete = nullptr;
    QPushButton* m_wndExplore = nullptr;
    QLabel* m_wndFileType = nullptr;
    QLabel* m_wndSearchingFiles = nullptr;
    QLabel* m_wndStart = nullptr;
    QLabel* m_wndEnd = nullptr;
    PreviewPane* m_pPreview = nullptr;
    // The days with recordings in the date pickers' calendars.
    CalendarMarks* m_pCalendarMarks = nullptr;
    // Until the user sets the end, each search ends now.
    UntouchedEnd* m_pUntouchedEnd = nullptr;

    PageSearch* m_pSearch = nullptr;
    FileActions* m_pFileActions = nullptr;
    QPushButton* m_wndUndo = nullptr;
    // The selected rows; the current row is m_nCurrentRow. The list's marks
    // are read from both, never stored apart.
    RowSelection m_selection;
    // A search was stopped by leaving the page.
    bool m_bSearchOnShow = false;
    // The list follows its folders while the page is shown, once a search
    // of them has ended.
    FolderWatch* m_pFolderWatch = nullptr;
    bool m_bWatching = false;
    std::function<bool(const std::string&)> m_fnIsShare;
    int m_nListingMs = 0;
    LiveList* m_pLiveList = nullptr;
    // When the search whose rows the list shows began.
    CTime m_tSearchBegan;
    // The list shows the last search's rows, not the one's before.
    bool m_bListIsNew = false;
    FileExport* m_pExport = nullptr;
    RowActions* m_pRowActions = nullptr;
    SearchSummary* m_pSummary = nullptr;
    ListSortChoice* m_pSortChoice = nullptr;
    TimelineStrip* m_pTimeline = nullptr;
    // A plain press on one of several selected rows: the selection stays
    // until the button is let go without a drag, so that a drag takes it all.
    int m_nPressedInSelection = -1;
};
