#pragma once

#include "platform/ui/DialogControlTemplate.h"
#include "search_page/ResultListModel.h"

#include <QPainter>
#include <QTableView>

#include <functional>
#include <string>
#include <vector>

// The result list: a report view whose rows are all 16 pixels high and are
// drawn by its owner (DrawItem), never by the view itself. Left-button presses
// and double clicks go to the owner (LButtonDown, LButtonDblClk) with the
// position in the list's client coordinates (inside the border, the header
// included) and do nothing else here, so the view's own click selection never
// runs. The owner sees
// every key (KeyDown) before the view handles it; Page Up, Page Down, Home
// and End only scroll. While the list has the keyboard focus it marks the row
// that has its focus.
class MyListCtrl : public QTableView {
    Q_OBJECT

public:
    static constexpr int kRowHeight = 16;

    // style: the template's list-view and window style bits.
    explicit MyListCtrl(QWidget* parent = nullptr, unsigned style = 0);

    unsigned GetExtendedStyle() const { return m_dwExStyle; }
    void SetExtendedStyle(unsigned exStyle);

    int InsertColumn(int nCol, const std::string& heading, int nFormat, int nWidth);
    // False when there is no such column.
    bool GetColumn(int nCol, int& nFormat, int& nWidth) const;

    void DeleteAllItems();
    void AppendItems(std::vector<ResultListModel::Row> rows);
    int GetItemCount() const;
    // Empty for a row that does not exist (such as row -1).
    const std::string& GetItemText(int nItem, int nSubItem) const;

    // LVIR_BOUNDS: the whole row across all columns; LVIR_LABEL: its column-0
    // cell. In viewport coordinates, where the owner draws.
    QRect GetItemRect(int nItem, int nCode) const;
    // The marks of rows (LVIS_SELECTED, LVIS_FOCUSED) are the owner's: the
    // list asks for them, and for the row that has the focus, and keeps none
    // of its own.
    void SetMarkSource(std::function<unsigned(int nItem)> itemState, std::function<int()> focusedItem);
    unsigned GetItemState(int nItem, unsigned mask) const;

    // The row at a point in client coordinates, or -1.
    int HitTest(QPoint clientPoint) const;
    // Scrolls the row into view, up or down.
    void EnsureVisible(int nItem);

    // A text shown across the list while it has no rows; empty for none.
    void SetEmptyText(const std::string& text);
    const std::string& GetEmptyText() const { return m_strEmptyText; }

signals:
    void DrawItem(QPainter* painter, int nItem);
    void KeyDown(int nKey, Qt::KeyboardModifiers modifiers);
    // A left-button press or double click, in client coordinates, with the
    // keys held; the owner connects these queued, so it handles them after
    // the list's own event.
    void LButtonDown(QPoint clientPoint, Qt::KeyboardModifiers modifiers);
    void LButtonDblClk(QPoint clientPoint, Qt::KeyboardModifiers modifiers);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QPoint ViewportToClient(QPoint viewportPoint) const;
    QPoint ClientToViewport(QPoint clientPoint) const;
    void ForwardToOwner(QMouseEvent* event, QPoint clientPoint);
    void DrawGridLines(QPainter& painter, const QRect& area) const;
    void DrawFocusIndicator(QPainter& painter) const;

    ResultListModel m_model;
    std::function<unsigned(int)> m_itemState;
    std::function<int()> m_focusedItem;
    unsigned m_dwExStyle = 0;
    std::string m_strEmptyText;
};
