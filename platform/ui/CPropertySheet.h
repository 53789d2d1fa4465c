#pragma once

#include <QDialog>

#include <string>
#include <vector>

class AnchoredLayout;
class CImageList;
class CPropertyPage;
class CTabCtrl;
class QKeyEvent;
class QPushButton;
class QScrollArea;

inline constexpr unsigned PSH_HASHELP = 0x200;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int ID_APPLY_NOW = 0x3021;
inline constexpr int AFX_IDC_TAB_CONTROL = 0x3020;

// A property sheet: pages kept in the order added, one shown at a time over
// the display area of a tab strip, with OK, Cancel and Apply buttons along the
// bottom. Its window exists from Create (or DoModal) to DestroyWindow; pages
// get their windows the first time they are shown. The window opens at the
// size its pages need and can shrink until the page area is kMinimumPageSize;
// a page is never made smaller than its minimumSize: the page area scrolls. The sheet never owns its
// pages: whoever adds them deletes them, and a deleted page leaves the sheet.
//
// Subclasses follow additions, removals and selections through the On...
// hooks, which run after the sheet's own work and only while its window exists.
class CPropertySheet : public QDialog {
    Q_OBJECT

public:
    CPropertySheet();
    explicit CPropertySheet(const std::string& caption, QWidget* parent = nullptr, unsigned selectPage = 0);
    ~CPropertySheet() override;

    // There is no Help button of the sheet's own here; the flag is kept for
    // callers that clear it as the platform requires.
    struct PropSheetHeader {
        unsigned dwFlags = PSH_HASHELP;
        unsigned nStartPage = 0;
    } m_psh;

    void AddPage(CPropertyPage* page);
    void RemovePage(int index);
    void RemovePage(CPropertyPage* page);
    int GetPageCount() const;
    CPropertyPage* GetPage(int index) const;
    int GetPageIndex(const CPropertyPage* page) const;
    int GetActiveIndex() const;
    // Before the window exists this only chooses the start page.
    bool SetActivePage(int index);
    bool SetActivePage(CPropertyPage* page);

    // Creates the window, runs it (modally over its parent, if it has one)
    // and destroys it; returns IDOK or IDCANCEL.
    int DoModal();
    // Creates the window without showing it, for a sheet shown modelessly.
    bool Create();
    bool HasWindow() const { return m_bHasWindow; }
    void DestroyWindow();

    CTabCtrl* GetTabControl() const { return m_pTabCtrl; }
    // The control whose object name is the decimal identifier.
    QWidget* GetDlgItem(int id) const;
    // The current page when it has its window, else null.
    CPropertyPage* GetCurrentPageWindow() const;
    void EnableStackedTabs(bool stacked);
    // Centres the window over its parent, or over the screen without one.
    void CenterWindow();

protected:
    virtual bool OnInitDialog();
    virtual void OnDestroy();
    // Sees every key press meant for a widget of this window before that
    // widget does; true consumes it.
    virtual bool PreTranslateMessage(QKeyEvent* event);
    // The sheet's own keyboard handling: Ctrl+Tab and Ctrl+Shift+Tab (and
    // Ctrl+Page Down/Up) step through the pages with wrap-around.
    virtual bool IsDialogMessage(QKeyEvent* event);
    // A button was pressed; true when handled.
    virtual bool OnCommand(int id);

    virtual void OnPageAdded(int) { }
    virtual void OnPageRemoved(int) { }
    virtual void OnPageSelected(int) { }

    // Places and sizes the window (in its parent's coordinates). The last size
    // given while the window is set up is the size it opens at.
    void MoveWindow(const QRect& rect);
    // Which edges of the window (AnchoredLayout's) a child window keeps its
    // distance from as the window's size departs from the one it opened at.
    // The tab control follows, and the page area in it; the buttons keep to
    // the bottom right.
    virtual unsigned AnchorOf(const QWidget* child) const;

    // Asks page whether it may be left; true when it agrees.
    static bool NotifyKillActive(CPropertyPage* page);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    bool SelectPage(int index);
    void PlacePage(CPropertyPage* page) const;
    void ForgetPage(CPropertyPage* page);
    int PageImage(CPropertyPage* page);
    QSize PageExtent() const;
    void LayOut();

    std::vector<CPropertyPage*> m_pages;
    CTabCtrl* m_pTabCtrl = nullptr;
    CImageList* m_pTabImages = nullptr;
    QPushButton* m_pOk = nullptr;
    QPushButton* m_pCancel = nullptr;
    QPushButton* m_pApply = nullptr;
    // Over the tab control's display area: holds the pages, and scrolls when
    // the area is smaller than the current page's minimumSize.
    QScrollArea* m_pPageView = nullptr;
    QWidget* m_pPageHolder = nullptr;
    AnchoredLayout* m_pStretch = nullptr;
    bool m_bHasWindow = false;
    bool m_bStackedTabs = true;
    int m_nActive = -1;
};
