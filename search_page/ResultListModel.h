#pragma once

#include <QAbstractTableModel>

#include <string>
#include <vector>

// The rows and columns of the result list. Texts are kept as the bytes they
// came with, so a file name that is not UTF-8 still names its file when an
// action reads it back.
class ResultListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    using Row = std::vector<std::string>; // one text per column, missing ones empty

    struct Column {
        std::string strHeading;
        int nFormat;
        // Holds nothing and takes no room: at the end of the columns it is
        // left out of what views, and assistive technology, see.
        bool bHidden = false;
    };

    explicit ResultListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void InsertColumn(int nCol, Column column);
    const Column* GetColumn(int nCol) const;

    void DeleteAllItems();
    // One insertion for the whole batch, so that filling the list costs the
    // same per row however many rows there are.
    void AppendItems(std::vector<Row> rows);
    // Empty for a row or column that does not exist.
    const std::string& GetItemText(int nItem, int nSubItem) const;

private:
    std::vector<Column> m_aColumns;
    int m_nShownColumns = 0;
    std::vector<Row> m_aRows;
};
