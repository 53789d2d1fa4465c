#pragma once

#include "platform/ui/CImageList.h"
#include "platform/ui/CPropertySheet.h"
#include "platform/ui/CTreeCtrl.h"
#include "tree_sheet/SheetButtons.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace TreeSheet {

class CPageFrame;

// A property sheet that shows its pages as a tree of page titles on its left
// and frames the current page with a caption bar, in the place of the tab
// strip; with tree mode off it stays a tabbed sheet. Either way its buttons
// read Exit and Help (SheetButtons), and Enter and Escape do not close it.
//
// A page's title is a path of segments separated by "::"; a separator preceded
// by an odd number of backslashes belongs to the text.
class CTreeSheet : public CPropertySheet {
    Q_OBJECT

public:
    static constexpr int PAGE_TREE_ID = 0x7EEE;
    static constexpr int PAGE_FRAME_ID = 0xFFFF;
    static constexpr int MEASURE_TAB_ID = 0x1234;
    // A longer title is cut, as the platform's text buffer would hold no more.
    static constexpr std::size_t kMaxPathLength = 259;

    CTreeSheet();
    explicit CTreeSheet(int ownTitleList);
    CTreeSheet(unsigned captionId, QWidget* parent, unsigned selectPage = 0);
    CTreeSheet(const std::string& caption, QWidget* parent, unsigned selectPage = 0);
    ~CTreeSheet() override;

    // Only before the window exists; false (and no change) afterwards.
    bool SetTreeOptions(bool treeMode, bool showPageCaption, bool treeImages);
    bool SetTreePaneWidth(int width);

    void SetNoPageMessage(const std::string& format);
    // Valid while the frame exists; returns the previous flags.
    unsigned SetNoPageMessageFormat(unsigned drawFlags);
    // Exactly two images: for nodes without a page, and for pages without a
    // usable image of their own.
    bool SetFallbackImages(const CImageList& images);
    // A horizontal strip of two images of width cx in an image file.
    bool SetFallbackImages(const QString& bitmapPath, int cx, const QColor& maskColour);
    CTreeCtrl* GetPageTree() const { return m_pPageTree; }
    CPageFrame* GetPageFrame() const { return m_pFrame; }

    static bool AttachPageIcon(CPropertyPage* page, const QIcon& icon);
    static bool AttachPageIcon(CPropertyPage* page, const QString& iconPath);
    static bool AttachPageIcon(CPropertyPage* page, const CImageList& images, int index);
    static bool ReleasePageIcon(CPropertyPage* page);

    // The sheet keeps the list it makes for as long as it lives, whatever
    // ownTitleList says, so no list is ever lost or freed twice.
    std::vector<std::string>* UsePageTitles(int ownTitleList);
    void AddPageTitle(const std::string& title);
    std::string GetPageTitle(int index) const;

    // The program's settings file, for the button texts and the help file
    // beside it, and the program's own manual, for Help and F1.
    void UseSettingsFile(std::string path, SheetButtons::SettingReader reader)
    {
        m_buttons.UseSettingsFile(std::move(path), std::move(reader));
    }
    void SetManualFiles(std::vector<std::string> files) { m_buttons.SetManualFiles(std::move(files)); }
    bool IsOpeningHelp() const { return m_buttons.IsOpeningHelp(); }
    void UseLauncher(ShellLauncher& launcher) { m_buttons.UseLauncher(launcher); }

    // The answer to a new copy of the program asking whether this is a
    // running copy.
    long OnInstanceQuery();
    // Restores, raises and activates the window, for a new copy that asked.
    void ComeToFront();

    virtual std::string FormatNoPageMessage(const std::string& format, const std::string& nodeText);
    virtual CTreeCtrl* NewPageTreeControl();
    virtual CPageFrame* NewPageFrame();

    static std::string TakeFirstPathSegment(std::string& rest);
    HTREEITEM InsertPagePath(const std::string& path, HTREEITEM parent);
    void RebuildPageTree();
    HTREEITEM FindTreeItemForPage(int page, HTREEITEM first);
    bool SelectTreeItemForPage(int page);
    bool SyncTreeToActivePage();
    bool DeactivateCurrentPage();
    void RefreshFrameCaption();
    // Tab mode: the page step places away, wrapping around.
    void StepActivePage(int step);
    void StepToPreviousPage();
    void StepToNextPage();

    bool m_bTreeMode = true;
    CTreeCtrl* m_pPageTree = nullptr;
    CPageFrame* m_pFrame = nullptr;
    bool m_bInSelChange = false;
    bool m_bShowPageCaption = false;
    bool m_bTreeImages = false;
    CImageList m_TreeImages;
    CImageList m_FallbackImages;
    std::string m_strNoPageMessage;
    int m_nTreeWidth = 250;
    int m_bOwnTitleList = 0;
    std::vector<std::string>* m_pPageTitles = nullptr;

protected:
    bool OnInitDialog() override;
    void OnDestroy() override;
    bool PreTranslateMessage(QKeyEvent* event) override;
    bool IsDialogMessage(QKeyEvent* event) override;
    bool OnCommand(int id) override;
    void OnPageAdded(int index) override;
    void OnPageRemoved(int index) override;
    void OnPageSelected(int index) override;
    // The frame grows with the window, the tree only in height.
    unsigned AnchorOf(const QWidget* child) const override;

    void OnTreeSelChanging(const CTreeCtrl::NMTREEVIEW& notify, long* result);
    void OnTreeSelChanged(const CTreeCtrl::NMTREEVIEW& notify, long* result);
    void ShiftChildWindows(int dx, int dy);

private:
    void SetUpTree();

    std::unique_ptr<std::vector<std::string>> m_pTitleStorage;
    SheetButtons m_buttons{*this};
};

} // namespace TreeSheet
