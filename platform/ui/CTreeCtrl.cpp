#include "platform/ui/CTreeCtrl.h"

#include "platform/ui/CImageList.h"
#include "platform/ui/QtStrings.h"

#include <QHeaderView>
#include <QItemSelectionModel>

namespace {

constexpr int kDataRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;
constexpr int kSelectedImageRole = Qt::UserRole + 2;

} // namespace

// Routes every move of the current item, from the mouse, the keyboard or the
// program, through the tree's announcements, and keeps the selection on the
// current item so that the two never part.
class CTreeCtrl::SelectionModel : public QItemSelectionModel {
public:
    SelectionModel(QAbstractItemModel* model, CTreeCtrl* tree) : QItemSelectionModel(model, tree), m_pTree(tree) { }

    void setCurrentIndex(const QModelIndex& index, SelectionFlags command) override
    {
        if (index != currentIndex() &&
            !m_pTree->AnnounceChanging(m_pTree->itemFromIndex(currentIndex()), m_pTree->itemFromIndex(index)))
            return;
        // A handler may have moved the selection already (a nested change).
        const QPersistentModelIndex before = currentIndex();
        QItemSelectionModel::setCurrentIndex(index, index.isValid() ? ClearAndSelect | Rows : command);
        if (currentIndex() != before)
            m_pTree->AnnounceChanged(m_pTree->itemFromIndex(before), m_pTree->itemFromIndex(currentIndex()));
    }

    void select(const QItemSelection& selection, SelectionFlags command) override
    {
        for (const QModelIndex& index : selection.indexes())
            if (index.row() != currentIndex().row() || index.parent() != currentIndex().parent())
                return;
        if (selection.isEmpty() && currentIndex().isValid() && (command & (Clear | Deselect)))
            return;
        QItemSelectionModel::select(selection, command);
    }

    void select(const QModelIndex& index, SelectionFlags command) override
    {
        select(QItemSelection(index, index), command);
    }

private:
    CTreeCtrl* m_pTree;
};

CTreeCtrl::CTreeCtrl(QWidget* parent) : QTreeWidget(parent)
{
    setColumnCount(1);
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformRowHeights(true);
    QItemSelectionModel* previous = selectionModel();
    setSelectionModel(new SelectionModel(model(), this));
    delete previous;
}

void CTreeCtrl::SetSelChangeHandlers(SelChangingHandler changing, SelChangedHandler changed)
{
    m_onChanging = std::move(changing);
    m_onChanged = std::move(changed);
}

HTREEITEM CTreeCtrl::InsertItem(const std::string& text, HTREEITEM parent)
{
    auto* item = new QTreeWidgetItem(QStringList(ToQString(text)));
    item->setData(0, kDataRole, qlonglong{-1});
    item->setData(0, kImageRole, -1);
    item->setData(0, kSelectedImageRole, -1);
    if (parent == TVI_ROOT || parent == nullptr)
        addTopLevelItem(item);
    else
        parent->addChild(item);
    return item;
}

void CTreeCtrl::DeleteAllItems()
{
    clear();
}

unsigned CTreeCtrl::GetCount() const
{
    const auto below = [](const QTreeWidgetItem* item, const auto& self) -> unsigned {
        unsigned count = 1;
        for (int i = 0; i < item->childCount(); ++i)
            count += self(item->child(i), self);
        return count;
    };
    unsigned count = 0;
    for (int i = 0; i < topLevelItemCount(); ++i)
        count += below(topLevelItem(i), below);
    return count;
}

std::string CTreeCtrl::GetItemText(HTREEITEM item) const
{
    return item ? ToStdString(item->text(0)) : std::string();
}

long CTreeCtrl::GetItemData(HTREEITEM item) const
{
    // Only what SetItemData stored, a long, is ever there.
    return item ? static_cast<long>(item->data(0, kDataRole).toLongLong()) : 0;
}

void CTreeCtrl::SetItemData(HTREEITEM item, long dwData)
{
    if (item)
        item->setData(0, kDataRole, static_cast<qlonglong>(dwData));
}

bool CTreeCtrl::SetItemImage(HTREEITEM item, int image, int selectedImage)
{
    if (!item)
        return false;
    item->setData(0, kImageRole, image);
    item->setData(0, kSelectedImageRole, selectedImage);
    QIcon icon;
    if (m_pImages) {
        const QIcon normal = m_pImages->ExtractIcon(image);
        const QIcon selected = m_pImages->ExtractIcon(selectedImage);
        const QSize size = m_pImages->GetImageSize();
        if (!normal.isNull())
            icon.addPixmap(normal.pixmap(size), QIcon::Normal);
        if (!selected.isNull())
            icon.addPixmap(selected.pixmap(size), QIcon::Selected);
    }
    item->setIcon(0, icon);
    return true;
}

int CTreeCtrl::GetItemImage(HTREEITEM item) const
{
    return item ? item->data(0, kImageRole).toInt() : -1;
}

int CTreeCtrl::GetItemSelectedImage(HTREEITEM item) const
{
    return item ? item->data(0, kSelectedImageRole).toInt() : -1;
}

void CTreeCtrl::SetImageList(CImageList* images)
{
    m_pImages = images;
    if (images && images->IsCreated())
        setIconSize(images->GetImageSize());
}

HTREEITEM CTreeCtrl::GetRootItem() const
{
    return topLevelItemCount() > 0 ? topLevelItem(0) : nullptr;
}

HTREEITEM CTreeCtrl::GetChildItem(HTREEITEM item) const
{
    if (item == TVI_ROOT)
        return GetRootItem();
    return item && item->childCount() > 0 ? item->child(0) : nullptr;
}

QList<QTreeWidgetItem*> CTreeCtrl::Siblings(HTREEITEM item) const
{
    QList<QTreeWidgetItem*> siblings;
    if (QTreeWidgetItem* parent = item->parent()) {
        for (int i = 0; i < parent->childCount(); ++i)
            siblings.append(parent->child(i));
    } else {
        for (int i = 0; i < topLevelItemCount(); ++i)
            siblings.append(topLevelItem(i));
    }
    return siblings;
}

HTREEITEM CTreeCtrl::GetNextSiblingItem(HTREEITEM item) const
{
    if (!item || item == TVI_ROOT)
        return nullptr;
    const QList<QTreeWidgetItem*> siblings = Siblings(item);
    const qsizetype at = siblings.indexOf(item);
    return at + 1 < siblings.size() ? siblings[at + 1] : nullptr;
}

HTREEITEM CTreeCtrl::GetPrevSiblingItem(HTREEITEM item) const
{
    if (!item || item == TVI_ROOT)
        return nullptr;
    const QList<QTreeWidgetItem*> siblings = Siblings(item);
    const qsizetype at = siblings.indexOf(item);
    return at > 0 ? siblings[at - 1] : nullptr;
}

HTREEITEM CTreeCtrl::GetParentItem(HTREEITEM item) const
{
    return item && item != TVI_ROOT ? item->parent() : nullptr;
}

bool CTreeCtrl::ItemHasChildren(HTREEITEM item) const
{
    return GetChildItem(item) != nullptr;
}

HTREEITEM CTreeCtrl::GetSelectedItem() const
{
    return currentItem();
}

bool CTreeCtrl::SelectItem(HTREEITEM item)
{
    if (item == TVI_ROOT)
        return false;
    selectionModel()->setCurrentIndex(item ? indexFromItem(item) : QModelIndex(), QItemSelectionModel::ClearAndSelect);
    return currentItem() == item;
}

bool CTreeCtrl::AnnounceChanging(HTREEITEM oldItem, HTREEITEM newItem)
{
    long result = 0;
    if (m_onChanging)
        m_onChanging(NMTREEVIEW{oldItem, newItem}, &result);
    return result == 0;
}

void CTreeCtrl::AnnounceChanged(HTREEITEM oldItem, HTREEITEM newItem)
{
    long result = 0;
    if (m_onChanged)
        m_onChanged(NMTREEVIEW{oldItem, newItem}, &result);
}
