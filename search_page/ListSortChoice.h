#pragma once

#include <QObject>
#include <QString>

#include <memory>

class AsyncTask;
class QWidget;

// The column the result lists of a window are sorted by, and which way: none
// until the user clicks a column's header, the lists keeping the order a
// search gives. One for the window, shared by its pages, and kept from one
// run to the next beside the window's size in the program's state file, which
// is read and written off the window's thread.
class ListSortChoice : public QObject {
    Q_OBJECT

public:
    // The window's choice, made on first use with what the state file holds.
    static ListSortChoice& Of(QWidget& window);

    // -1 for none.
    int Column() const { return m_nColumn; }
    Qt::SortOrder Order() const { return m_order; }
    // A click on the header of column: sorts by it, the way that suits it
    // first (names A to Z, newest and longest first), the other way on a
    // second click.
    void OnColumnClick(int column);

    // Columns there are to sort by: the name, the recorded time, the duration.
    static constexpr int kColumns = 3;

signals:
    void Changed();

private:
    ListSortChoice(QWidget& window, QString file);
    void Set(int column, Qt::SortOrder order);

    struct Kept;
    QString m_strFile;
    int m_nColumn = -1;
    Qt::SortOrder m_order = Qt::AscendingOrder;
    // The user has chosen here: what the file held comes too late.
    bool m_bChosen = false;
    // The latest choice, for the writes that may still be running.
    std::shared_ptr<Kept> m_pKept;
    AsyncTask* m_pLoad;
    AsyncTask* m_pSave;
};
