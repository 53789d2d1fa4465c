#pragma once

#include "platform/ui/DialogControlTemplate.h"
#include "search_page/ResultListModel.h"

#include <QPainter>
#include <QTableView>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The result list: a report view whose rows all have one height, taken from
// its font, and are drawn by its owner (DrawItem), never by the view itself. Left-button presses
// and double clicks go to the owner (LButtonDown, LButtonDblClk) with the
// position in the list's client coordinates (inside the border, the header
// included) and do nothing else here, so the view's own click selection never
// runs. The owner sees
// every key (KeyDown) before the view handles it; Page Up, Page Down, Home
// and End only scroll. While the list has the keyboard focus it marks the row
// that has its focus. A click on a column's header goes to the owner
// (ColumnClick), which may sort the rows by it. The owner's marks are
// mirrored in the view's selection for assistive technology alone.
class MyListCtrl : public QTableView {
    Q_OBJECT

public:
    // The row height with the font of a 96-DPI screen, and the least there is.
    static constexpr int kRowHeight = 16;
    // High enough for a line of the list's font with its descenders, and for
    // the grid line below it, at any resolution.
    int RowHeight() const { return m_nRowHeight; }

    // style: the template's list-view and window style bits.
    explicit MyListCtrl(QWidget* parent = nullptr, unsigned style = 0);

    unsigned GetExtendedStyle() const { return m_dwExStyle; }
    void SetExtendedStyle(unsigned exStyle);

    int InsertColumn(int nCol, const std::string& heading, int nFormat, int nWidth);
    // False when there is no such column.
    bool GetColumn(int nCol, int& nFormat, int& nWidth) const;

    void DeleteAllItems();
    // The rows of a search's table, in place of those the list held.
    void SetItems(std::shared_ptr<const RecordedFileTable> rows);
    // See ResultListModel::ItemsAppended.
    std::vector<int> ItemsAppended();
    int GetItemCount() const;
    // Empty for a row that does not exist (such as row -1).
    std::string GetItemText(int nItem, int nSubItem) const;
    // The row of the search's table that nItem shows; -1 for none.
    int GetItemData(int nItem) const { return m_model.GetTableRow(nItem); }
    const ResultListModel& Model() const { return m_model; }
    // Orders the rows by nColumn, now and after SetItems, and shows it on the
    // header; -1 for the search's order. Returns where each row is now.
    std::vector<int> SortItems(int nColumn, Qt::SortOrder order);

    // LVIR_BOUNDS: the whole row across all columns; LVIR_LABEL: its column-0
    // cell. In viewport coordinates, where the owner draws.
    QRect GetItemRect(int nItem, int nCode) const;
    // The marks of rows (LVIS_SELECTED, LVIS_FOCUSED) are the owner's: the
    // list asks for them, and for the row that has the focus, and keeps none
    // of its own.
    void SetMarkSource(std::function<unsigned(int nItem)> itemState, std::function<int()> focusedItem);
    unsigned GetItemState(int nItem, unsigned mask) const;
    // The owner's marks have changed: the rows are drawn again, and the
    // view's own selection and current cell, where assistive technology
    // reads them, follow the marks.
    void MarksChanged();

    // The row at a point in client coordinates, or -1.
    int HitTest(QPoint clientPoint) const;
    // Scrolls the row into view, up or down.
    void EnsureVisible(int nItem);

signals:
    void DrawItem(QPainter* painter, int nItem);
    void KeyDown(int nKey, Qt::KeyboardModifiers modifiers);
    void ColumnClick(int nColumn);
    // A left-button press or double click, in client coordinates, with the
    // keys held; the owner connects these queued, so it handles them after
    // the list's own event.
    void LButtonDown(QPoint clientPoint, Qt::KeyboardModifiers modifiers);
    void LButtonDblClk(QPoint clientPoint, Qt::KeyboardModifiers modifiers);
    // The left button was let go without a drag, in client coordinates.
    void LButtonUp(QPoint clientPoint);
    // The pointer moved, the left button held, from a press on a row: the
    // owner drags the selected rows out.
    void DragStarted();

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

    // The view never changes its selection itself: it only mirrors the owner's.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;

private:
    QPoint ViewportToClient(QPoint viewportPoint) const;
    QPoint ClientToViewport(QPoint clientPoint) const;
    void ForwardToOwner(QMouseEvent* event, QPoint clientPoint);
    void DrawGridLines(QPainter& painter, const QRect& area) const;
    void FollowFont();
    void DrawFocusIndicator(QPainter& painter) const;

    ResultListModel m_model;
    std::function<unsigned(int)> m_itemState;
    std::function<int()> m_focusedItem;
    unsigned m_dwExStyle = 0;
    // Where a press on a row was, in the viewport, until it turns into a drag
    // or is released.
    std::optional<QPoint> m_dragFrom;
    int m_nRowHeight = kRowHeight;
};
