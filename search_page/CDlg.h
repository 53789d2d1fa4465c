#pragma once

#include "catalog/RecordedFile.h"
#include "platform/CTime.h"
#include "platform/ListedFile.h"
#include "platform/ui/CPropertyPage.h"
#include "search_page/PageSearch.h"
#include "search_page/RowSelection.h"

#include <string>
#include <vector>

class CDateTimeCtrl;
class CLoadUISetting;
class MyListCtrl;
class PreviewPane;
class QComboBox;
class QLabel;
class QPainter;
class QPushButton;
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
    // The page reads the settings files through uiSetting, which must outlive it.
    CDlg(std::string caption, const CLoadUISetting& uiSetting);

    // Time a search runs before the page shows a busy cursor, its progress
    // and Cancel.
    static constexpr int kBusyDelayMs = PageSearch::kBusyDelayMs;

    // The search request: reads the category box and the pickers and starts
    // the category scan off the window's thread (stopping one still running).
    // The list, the current row and the action buttons stay as they are, the
    // actions disabled, until the scan ends; then the list is replaced by its
    // rows, an inverted range is reported and the three action buttons are set.
    void OnSearch();
    // Stops a running search, leaving the page as it was before it.
    void CancelSearch();
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

    // A text the result list shows while it is empty (the placeholder page
    // says there why it has no device folder).
    void SetEmptyListText(std::string text);

    // The result table of the last scan.
    int m_nFiles = 0;
    std::vector<RecordedFile> m_aFiles;
    CTime m_tSearchStart;
    CTime m_tSearchEnd;
    // The device folder; also the page's caption.
    std::string m_strCaption;
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
    void hideEvent(QHideEvent* event) override;

private:
    void ConnectHandlers();
    void SetSearchRange(const CTime& start, const CTime& end);
    void ReadSearchRange(CTime& start, CTime& end) const;
    void OnSearchFinished();
    void OnLButtonDown(QPoint listPoint, Qt::KeyboardModifiers modifiers);
    void OnLButtonDblClk(QPoint listPoint, Qt::KeyboardModifiers modifiers);
    void OnListKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void FollowCurrentRow();
    void OnDrawItem(QPainter* painter, int nItem);
    // The files an action on the selection acts on, the current row's when
    // no row is selected; their folder is left for the worker to resolve.
    std::vector<ListedFile> GetSelectedFiles() const;
    // The folder of the last search, where the actions act.
    std::string GetCategoryFolderPath() const;
    // The list's marks of a row: selected, and focused for the current row.
    unsigned ItemState(int nItem) const;
    const CLoadUISetting& UiSetting() const;

    const CLoadUISetting& m_uiSetting;
    std::string m_strEmptyListText;

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

    PageSearch* m_pSearch = nullptr;
    FileActions* m_pFileActions = nullptr;
    QPushButton* m_wndUndo = nullptr;
    // The selected rows; the current row is m_nCurrentRow. The list's marks
    // are read from both, never stored apart.
    RowSelection m_selection;
};
