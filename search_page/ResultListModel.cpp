#include "search_page/ResultListModel.h"

#include "catalog/RecordedFileTable.h"
#include "platform/ui/DialogControlTemplate.h"
#include "platform/ui/QtStrings.h"

#include <algorithm>
#include <numeric>

ResultListModel::ResultListModel(QObject* parent) : QAbstractTableModel(parent)
{ }

ResultListModel::~ResultListModel() = default;

int ResultListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_nRows;
}

int ResultListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_nShownColumns;
}

namespace {

Qt::Alignment AlignmentOf(int format)
{
    switch (format) {
    case LVCFMT_RIGHT:
        return Qt::AlignRight | Qt::AlignVCenter;
    case LVCFMT_CENTER:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

} // namespace

QVariant ResultListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return ToQString(GetItemText(index.row(), index.column()));
    if (role == Qt::TextAlignmentRole)
        if (const Column* column = GetColumn(index.column()))
            return QVariant::fromValue(AlignmentOf(column->nFormat));
    return {};
}

QVariant ResultListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    const Column* column = orientation == Qt::Horizontal ? GetColumn(section) : nullptr;
    if (column == nullptr)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return ToQString(column->strHeading);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(AlignmentOf(column->nFormat));
    return {};
}

Qt::ItemFlags ResultListModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void ResultListModel::InsertColumn(int nCol, Column column)
{
    nCol = std::clamp(nCol, 0, static_cast<int>(m_aColumns.size()));
    const bool hiddenAtEnd = column.bHidden && nCol >= m_nShownColumns;
    // A shown column after hidden ones brings them into view with it.
    if (!hiddenAtEnd)
        beginInsertColumns({}, std::min(nCol, m_nShownColumns), nCol);
    m_aColumns.insert(m_aColumns.begin() + nCol, std::move(column));
    if (!hiddenAtEnd) {
        m_nShownColumns = std::max(m_nShownColumns, nCol) + 1;
        endInsertColumns();
    }
}

const ResultListModel::Column* ResultListModel::GetColumn(int nCol) const
{
    if (nCol < 0 || nCol >= static_cast<int>(m_aColumns.size()))
        return nullptr;
    return &m_aColumns[static_cast<std::size_t>(nCol)];
}

void ResultListModel::DeleteAllItems()
{
    SetItems(nullptr);
}

void ResultListModel::SetItems(std::shared_ptr<const RecordedFileTable> rows)
{
    beginResetModel();
    m_pRows = std::move(rows);
    // A table holds no more rows than an int counts.
    m_nRows = m_pRows == nullptr ? 0 : static_cast<int>(m_pRows->GetCount());
    Order();
    endResetModel();
}

std::vector<int> ResultListModel::ItemsAppended()
{
    const int shown = m_nRows;
    const int count = m_pRows == nullptr ? 0 : static_cast<int>(m_pRows->GetCount());
    if (count <= shown)
        return {};
    // The new rows among themselves, then among the others, each stable:
    // rows that tie keep the search's order, as in a sort of the whole
    // table, for the cost of one pass over the rows shown.
    const bool sorted = m_nSortColumn >= 0;
    const auto before = [this](int a, int b) { return Before(a, b); };
    std::vector<int> added;
    if (sorted) {
        added.resize(static_cast<std::size_t>(count - shown));
        std::iota(added.begin(), added.end(), shown);
        std::ranges::stable_sort(added, before);
    }
    beginInsertRows({}, shown, count - 1);
    m_nRows = count;
    m_aOrder.insert(m_aOrder.end(), added.begin(), added.end());
    endInsertRows();
    if (!sorted || shown == 0 || !before(added.front(), m_aOrder[static_cast<std::size_t>(shown) - 1]))
        return {};
    const std::vector<int> was = ShownOrder();
    emit layoutAboutToBeChanged({}, VerticalSortHint);
    std::inplace_merge(m_aOrder.begin(), m_aOrder.begin() + shown, m_aOrder.end(), before);
    return Moved(was);
}

bool ResultListModel::Before(int a, int b) const
{
    const RecordedFileTable& rows = *m_pRows;
    const auto left = static_cast<std::size_t>(m_sortOrder == Qt::AscendingOrder ? a : b);
    const auto right = static_cast<std::size_t>(m_sortOrder == Qt::AscendingOrder ? b : a);
    switch (m_nSortColumn) {
    case 0:
        return rows.GetFileName(left) < rows.GetFileName(right);
    case 1:
        return rows.GetRecordedTime(left) < rows.GetRecordedTime(right);
    case 2:
        return rows.GetDurationSeconds(left) < rows.GetDurationSeconds(right);
    default:
        return false;
    }
}

int ResultListModel::GetTableRow(int nItem) const
{
    if (nItem < 0 || nItem >= rowCount())
        return -1;
    return m_aOrder.empty() ? nItem : m_aOrder[static_cast<std::size_t>(nItem)];
}

void ResultListModel::Order()
{
    m_aOrder.clear();
    if (m_nSortColumn < 0 || m_pRows == nullptr)
        return;
    const RecordedFileTable& rows = *m_pRows;
    const auto count = static_cast<std::size_t>(m_nRows);
    m_aOrder.resize(count);
    std::iota(m_aOrder.begin(), m_aOrder.end(), 0);
    const bool ascending = m_sortOrder == Qt::AscendingOrder;
    // Each row's key is taken once, not at every comparison; stable either
    // way, so that rows that tie keep the search's order.
    const auto by = [this, ascending, count](auto key) {
        std::vector<decltype(key(0))> keys;
        keys.reserve(count);
        for (std::size_t row = 0; row < count; ++row)
            keys.push_back(key(row));
        std::ranges::stable_sort(m_aOrder, [&keys, ascending](int a, int b) {
            const auto& left = keys[static_cast<std::size_t>(a)];
            const auto& right = keys[static_cast<std::size_t>(b)];
            return ascending ? left < right : right < left;
        });
    };
    switch (m_nSortColumn) {
    case 0:
        by([&rows](std::size_t row) { return rows.GetFileName(row); });
        break;
    case 1:
        by([&rows](std::size_t row) { return rows.GetRecordedTime(row); });
        break;
    case 2:
        by([&rows](std::size_t row) { return rows.GetDurationSeconds(row); });
        break;
    default:
        break;
    }
}

std::vector<int> ResultListModel::ShownOrder() const
{
    if (!m_aOrder.empty())
        return m_aOrder;
    std::vector<int> order(static_cast<std::size_t>(rowCount()));
    std::iota(order.begin(), order.end(), 0);
    return order;
}

std::vector<int> ResultListModel::Sort(int nColumn, Qt::SortOrder order)
{
    const std::vector<int> before = ShownOrder();
    emit layoutAboutToBeChanged({}, VerticalSortHint);
    m_nSortColumn = nColumn;
    m_sortOrder = order;
    Order();
    return Moved(before);
}

std::vector<int> ResultListModel::Moved(const std::vector<int>& before)
{
    const std::vector<int> after = ShownOrder();
    std::vector<int> shownAt(after.size());
    for (std::size_t place = 0; place < after.size(); ++place)
        shownAt[static_cast<std::size_t>(after[place])] = static_cast<int>(place);
    std::vector<int> moved;
    moved.reserve(before.size());
    for (const int row : before)
        moved.push_back(shownAt[static_cast<std::size_t>(row)]);

    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    for (const QModelIndex& index : from)
        to.append(this->index(moved[static_cast<std::size_t>(index.row())], index.column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, VerticalSortHint);
    return moved;
}

std::string ResultListModel::GetItemText(int nItem, int nSubItem) const
{
    if (nItem < 0 || nItem >= rowCount())
        return {};
    const auto row = static_cast<std::size_t>(GetTableRow(nItem));
    switch (nSubItem) {
    case 0:
        return std::string(m_pRows->GetFileName(row));
    case 1:
        return m_pRows->GetDisplayTime(row);
    case 2:
        return m_pRows->GetDuration(row);
    case 3:
        return std::string(m_pRows->GetSourceName(row));
    default:
        return {};
    }
}
