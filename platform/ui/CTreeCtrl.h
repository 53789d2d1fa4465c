#pragma once

#include <QTreeWidget>

#include <cstdint>
#include <functional>
#include <string>

class CImageList;

using HTREEITEM = QTreeWidgetItem*;
// Stands for the invisible root when given as a parent or a first item.
inline HTREEITEM const TVI_ROOT = reinterpret_cast<HTREEITEM>(~std::uintptr_t{0});

// A tree control: items with a text, one integer of item data and image
// indexes into an image list. The selection (the caret) is one item; a change
// of it is announced before (and may be refused) and after it happens, whether
// the user or the program moves it.
class CTreeCtrl : public QTreeWidget {
    Q_OBJECT

public:
    struct NMTREEVIEW {
        HTREEITEM itemOld;
        HTREEITEM itemNew;
    };
    // Sets *result to non-zero to keep the old selection.
    using SelChangingHandler = std::function<void(const NMTREEVIEW&, long* result)>;
    using SelChangedHandler = std::function<void(const NMTREEVIEW&, long* result)>;

    explicit CTreeCtrl(QWidget* parent = nullptr);

    void SetSelChangeHandlers(SelChangingHandler changing, SelChangedHandler changed);

    // Inserts as the last child of parent (TVI_ROOT: at the top level), with
    // item data -1. Never fails here, but callers keep the platform's check.
    HTREEITEM InsertItem(const std::string& text, HTREEITEM parent);
    void DeleteAllItems();
    unsigned GetCount() const;

    std::string GetItemText(HTREEITEM item) const;
    long GetItemData(HTREEITEM item) const;
    void SetItemData(HTREEITEM item, long dwData);
    bool SetItemImage(HTREEITEM item, int image, int selectedImage);
    // The image indexes given with SetItemImage; -1 when none.
    int GetItemImage(HTREEITEM item) const;
    int GetItemSelectedImage(HTREEITEM item) const;
    // Not owned; both the normal and the state images come from here.
    void SetImageList(CImageList* images);

    HTREEITEM GetRootItem() const;
    HTREEITEM GetChildItem(HTREEITEM item) const;
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const;
    HTREEITEM GetPrevSiblingItem(HTREEITEM item) const;
    HTREEITEM GetParentItem(HTREEITEM item) const;
    bool ItemHasChildren(HTREEITEM item) const;

    HTREEITEM GetSelectedItem() const;
    // Moves the selection to item, announcing the change; false when it was refused.
    bool SelectItem(HTREEITEM item);

private:
    class SelectionModel;
    friend class SelectionModel;

    // Asks whether the selection may move to item; true when it may.
    bool AnnounceChanging(HTREEITEM oldItem, HTREEITEM newItem);
    void AnnounceChanged(HTREEITEM oldItem, HTREEITEM newItem);
    QList<QTreeWidgetItem*> Siblings(HTREEITEM item) const;

    SelChangingHandler m_onChanging;
    SelChangedHandler m_onChanged;
    CImageList* m_pImages = nullptr;
};
