#pragma once

#include <QAbstractTableModel>

#include <memory>
#include <string>
#include <vector>

class RecordedFileTable;

// The rows and columns of the result list. The rows are a search's table,
// shared with the page, and their texts are made when asked for: column 0
// the file name, 1 the recorded time, 2 the duration, 3 the camera of a
// table merged from several devices' searches, any other column empty.
// Texts are the bytes they came with, so a file name that is not UTF-8 still
// names its file when an action reads it back. The rows are shown in
// the table's order, the search's, or sorted by a column; rows are counted
// as shown, and GetTableRow says which row of the table one is.
class ResultListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    struct Column {
        std::string strHeading;
        int nFormat;
        // Holds nothing and takes no room: at the end of the columns it is
        // left out of what views, and assistive technology, see.
        bool bHidden = false;
    };

    explicit ResultListModel(QObject* parent = nullptr);
    ~ResultListModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void InsertColumn(int nCol, Column column);
    const Column* GetColumn(int nCol) const;

    void DeleteAllItems();
    // Replaces the rows by those of rows in one reset, which costs the same
    // however many rows there are.
    void SetItems(std::shared_ptr<const RecordedFileTable> rows);
    // The table given to SetItems has had rows appended: shows them, after
    // the others in the search's order, or where the sort puts them. Returns
    // where each row shown before is shown now; empty when none moved.
    std::vector<int> ItemsAppended();
    // Empty for a row or column that does not exist.
    std::string GetItemText(int nItem, int nSubItem) const;
    // The table's row shown as nItem; -1 for none.
    int GetTableRow(int nItem) const;
    // The table whose first rowCount() rows are shown; null for none.
    const RecordedFileTable* GetTable() const { return m_pRows.get(); }

    // Shows the rows, these and those set later, by nColumn (0 the name, 1
    // the recorded time, 2 the duration), rows that tie in the search's order;
    // -1 for the search's order itself. Returns where each row shown before
    // is shown now.
    std::vector<int> Sort(int nColumn, Qt::SortOrder order);

private:
    // m_aOrder for the rows and the sort.
    void Order();
    // The table's row shown at each place.
    std::vector<int> ShownOrder() const;
    // Whether table row a is shown before table row b by the sort.
    bool Before(int a, int b) const;
    // Ends a change of layout begun while the table's rows were shown in
    // the order before: moves the persistent indexes and returns where each
    // row shown before is shown now.
    std::vector<int> Moved(const std::vector<int>& before);

    std::vector<Column> m_aColumns;
    int m_nShownColumns = 0;
    std::shared_ptr<const RecordedFileTable> m_pRows;
    // The table's rows shown: those it had when last set or appended to.
    int m_nRows = 0;
    int m_nSortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    // The table's row shown at each place; empty in the search's order.
    std::vector<int> m_aOrder;
};
