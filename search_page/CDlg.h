#pragma once

#include "catalog/RecordedFile.h"
#include "platform/CTime.h"
#include "platform/ui/CPropertyPage.h"

#include <string>
#include <vector>

class CDateTimeCtrl;
class CLoadUISetting;
class CWinApp;
class MyListCtrl;
class PreviewPane;
class QComboBox;
class QLabel;
class QPainter;
class QPushButton;

// The search page of one device folder: a category, a start and an end
// date/time, the result list and the actions on its current row. Its controls
// come from dialog template 107 the first time the page is shown.
class CDlg : public CPropertyPage {
    Q_OBJECT

public:
    CDlg();
    explicit CDlg(std::string caption);

    // The search request: clears the list, scans, reports an inverted range,
    // fills the list and sets the three action buttons.
    void OnSearch();
    // Reads the category box and the pickers and runs the category scan;
    // false for a range whose end lies before its start.
    bool SearchFiles();
    bool GetSearchRange();

    void OnPlayback();
    void OnDelete();
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
    // The row the list highlights and the actions use; -1 for none.
    int m_nCurrentRow = -1;

protected:
    QWidget* CreateTemplateControl(const DialogControlTemplate& control) override;
    bool OnInitDialog() override;
    void DoDataExchange();

    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void ConnectHandlers();
    void SetSearchRange(const CTime& start, const CTime& end);
    void OnLButtonDown(QPoint listPoint);
    void OnLButtonDblClk(QPoint listPoint);
    void OnListKeyDown(int key);
    void FollowCurrentRow();
    void OnDrawItem(QPainter* painter, int nItem);
    std::string GetCategoryFolderPath() const;
    std::string GetCurrentFilePath() const;
    const CLoadUISetting& UiSetting() const;

    // The application object, whose settings reader the page uses; null for a
    // page made without one.
    CWinApp* m_pApp;
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
};
