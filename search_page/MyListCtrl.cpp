#include "search_page/MyListCtrl.h"

#include "platform/ui/QtStrings.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

MyListCtrl::MyListCtrl(QWidget* parent, unsigned style) : QTableView(parent)
{
    setModel(&m_model);
    // The owner keeps the selection; the view's own only mirrors it (see
    // MarksChanged), so that screen readers can tell several rows may be
    // selected.
    setSelectionMode(ExtendedSelection);
    setSelectionBehavior(SelectItems);
    // The owner brings rows into view; the view would also scroll to the
    // first column whenever the current row changes.
    setAutoScroll(false);
    setShowGrid(false);
    setFrameShape((style & WS_BORDER) != 0 ? QFrame::StyledPanel : QFrame::NoFrame);
    setEditTriggers(NoEditTriggers);
    // Tab leaves the list, as it leaves any other control of the page.
    setTabKeyNavigation(false);
    setWordWrap(false);
    setHorizontalScrollMode(ScrollPerPixel);

    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    FollowFont();

    QHeaderView* columns = horizontalHeader();
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setHighlightSections(false);
    columns->setSectionsMovable(false);
    columns->setStretchLastSection(false);
    columns->setMinimumSectionSize(0);
    // The owner sorts, and only once the user asks.
    setSortingEnabled(false);
    columns->setSectionsClickable(true);
    connect(columns, &QHeaderView::sectionClicked, this, &MyListCtrl::ColumnClick);
}

void MyListCtrl::FollowFont()
{
    // The text's line, one pixel below it for the grid line and one above to
    // keep it centred: 16 for the fonts the 16-pixel rows were made for.
    m_nRowHeight = std::max(kRowHeight, fontMetrics().height() + 2);
    QHeaderView* rows = verticalHeader();
    rows->setMinimumSectionSize(m_nRowHeight);
    rows->setDefaultSectionSize(m_nRowHeight);
}

void MyListCtrl::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        FollowFont();
    QTableView::changeEvent(event);
}

void MyListCtrl::SetExtendedStyle(unsigned exStyle)
{
    m_dwExStyle = exStyle;
    setShowGrid((exStyle & LVS_EX_GRIDLINES) != 0);
    setSelectionBehavior((exStyle & LVS_EX_FULLROWSELECT) != 0 ? SelectRows : SelectItems);
    viewport()->update();
}

int MyListCtrl::InsertColumn(int nCol, const std::string& heading, int nFormat, int nWidth)
{
    nCol = std::clamp(nCol, 0, m_model.columnCount());
    m_model.InsertColumn(nCol, {heading, nFormat, heading.empty() && nWidth == 0});
    horizontalHeader()->resizeSection(nCol, nWidth);
    return nCol;
}

bool MyListCtrl::GetColumn(int nCol, int& nFormat, int& nWidth) const
{
    const ResultListModel::Column* column = m_model.GetColumn(nCol);
    if (column == nullptr)
        return false;
    nFormat = column->nFormat;
    nWidth = horizontalHeader()->sectionSize(nCol);
    return true;
}

void MyListCtrl::DeleteAllItems()
{
    m_model.DeleteAllItems();
}

void MyListCtrl::SetItems(std::shared_ptr<const RecordedFileTable> rows)
{
    m_model.SetItems(std::move(rows));
}

std::vector<int> MyListCtrl::ItemsAppended()
{
    return m_model.ItemsAppended();
}

std::vector<int> MyListCtrl::SortItems(int nColumn, Qt::SortOrder order)
{
    QHeaderView* columns = horizontalHeader();
    columns->setSortIndicatorShown(nColumn >= 0);
    if (nColumn >= 0)
        columns->setSortIndicator(nColumn, order);
    return m_model.Sort(nColumn, order);
}

int MyListCtrl::GetItemCount() const
{
    return m_model.rowCount();
}

std::string MyListCtrl::GetItemText(int nItem, int nSubItem) const
{
    return m_model.GetItemText(nItem, nSubItem);
}

QRect MyListCtrl::GetItemRect(int nItem, int nCode) const
{
    const int top = rowViewportPosition(nItem);
    if (nCode == LVIR_LABEL)
        return QRect(columnViewportPosition(0), top, columnWidth(0), m_nRowHeight);
    return QRect(-horizontalOffset(), top, horizontalHeader()->length(), m_nRowHeight);
}

void MyListCtrl::SetMarkSource(std::function<unsigned(int)> itemState, std::function<int()> focusedItem)
{
    m_itemState = std::move(itemState);
    m_focusedItem = std::move(focusedItem);
}

unsigned MyListCtrl::GetItemState(int nItem, unsigned mask) const
{
    if (!m_itemState || nItem < 0 || nItem >= GetItemCount())
        return 0;
    return m_itemState(nItem) & mask;
}

void MyListCtrl::MarksChanged()
{
    const int count = GetItemCount();
    const int lastColumn = m_model.columnCount() - 1;
    QItemSelection selected;
    for (int row = 0; row < count && lastColumn >= 0; ++row) {
        if (GetItemState(row, LVIS_SELECTED) == 0)
            continue;
        int last = row;
        while (last + 1 < count && GetItemState(last + 1, LVIS_SELECTED) != 0)
            ++last;
        selected.select(m_model.index(row, 0), m_model.index(last, lastColumn));
        row = last;
    }
    selectionModel()->select(selected, QItemSelectionModel::ClearAndSelect);
    const int focused = m_focusedItem ? m_focusedItem() : -1;
    selectionModel()->setCurrentIndex(focused >= 0 && focused < count ? m_model.index(focused, 0) : QModelIndex(),
                                      QItemSelectionModel::NoUpdate);
    viewport()->update();
}

QItemSelectionModel::SelectionFlags MyListCtrl::selectionCommand(const QModelIndex&, const QEvent*) const
{
    return QItemSelectionModel::NoUpdate;
}

int MyListCtrl::HitTest(QPoint clientPoint) const
{
    const QPoint point = ClientToViewport(clientPoint);
    if (!viewport()->rect().contains(point))
        return -1;
    const int x = point.x() + horizontalOffset();
    const int rowEnd =
        (m_dwExStyle & LVS_EX_FULLROWSELECT) != 0 ? horizontalHeader()->length() : horizontalHeader()->sectionSize(0);
    if (x < 0 || x >= rowEnd)
        return -1;
    return rowAt(point.y());
}

void MyListCtrl::EnsureVisible(int nItem)
{
    const QModelIndex index = m_model.index(nItem, 0);
    if (!index.isValid())
        return;
    // Up or down only, as the list view does: the columns stay where they are.
    const int across = horizontalScrollBar()->value();
    scrollTo(index);
    horizontalScrollBar()->setValue(across);
}

QPoint MyListCtrl::ViewportToClient(QPoint viewportPoint) const
{
    return viewportPoint + viewport()->pos() - contentsRect().topLeft();
}

QPoint MyListCtrl::ClientToViewport(QPoint clientPoint) const
{
    return clientPoint - viewport()->pos() + contentsRect().topLeft();
}

void MyListCtrl::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const QRect area = event->rect();
    const int count = GetItemCount();
    if (count > 0) {
        int first = rowAt(area.top());
        int last = rowAt(area.bottom());
        if (first < 0)
            first = 0;
        if (last < 0)
            last = count - 1;
        for (int row = first; row <= last; ++row) {
            painter.save();
            emit DrawItem(&painter, row);
            painter.restore();
        }
    }
    if (showGrid())
        DrawGridLines(painter, area);
    if (hasFocus())
        DrawFocusIndicator(painter);
}

void MyListCtrl::DrawGridLines(QPainter& painter, const QRect& area) const
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QColor color =
        QColor::fromRgba(static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this)));
    painter.setPen(color);
    const int right = horizontalHeader()->length() - horizontalOffset();
    // Like the list view's, the lines go on below the last row.
    for (int y = m_nRowHeight - 1 - verticalOffset() % m_nRowHeight; y <= area.bottom(); y += m_nRowHeight)
        if (y >= area.top())
            painter.drawLine(area.left(), y, std::min(area.right(), right - 1), y);
    for (int column = 0; column < m_model.columnCount(); ++column) {
        const int x = columnViewportPosition(column) + columnWidth(column) - 1;
        if (x >= area.left() && x <= area.right())
            painter.drawLine(x, area.top(), x, area.bottom());
    }
}

void MyListCtrl::ForwardToOwner(QMouseEvent* event, QPoint clientPoint)
{
    if (event->button() != Qt::LeftButton)
        return;
    // Handed on as a queued call rather than as a synthetic mouse event: a
    // mouse event made here would pass through the pointing device's state
    // and reset the window system's double-click detection, so a real second
    // press would never become a double click.
    if (event->type() == QEvent::MouseButtonDblClick)
        emit LButtonDblClk(clientPoint, event->modifiers());
    else
        emit LButtonDown(clientPoint, event->modifiers());
}

bool MyListCtrl::event(QEvent* event)
{
    // A press on the list's own window rather than on its rows (its frame, or
    // one sent to the list itself) would otherwise go on to the parent in the
    // parent's coordinates; it is forwarded in the list's like any other.
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        ForwardToOwner(mouse, mouse->position().toPoint() - contentsRect().topLeft());
        mouse->accept();
        return true;
    }
    return QTableView::event(event);
}

void MyListCtrl::mousePressEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (event->button() == Qt::LeftButton && rowAt(point.y()) >= 0)
        m_dragFrom = point;
    ForwardToOwner(event, ViewportToClient(point));
    event->accept();
}

void MyListCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    ForwardToOwner(event, ViewportToClient(event->position().toPoint()));
    event->accept();
}

void MyListCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragFrom.reset();
    if (event->button() == Qt::LeftButton)
        emit LButtonUp(ViewportToClient(event->position().toPoint()));
    event->accept();
}

void MyListCtrl::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragFrom && (event->buttons() & Qt::LeftButton) != 0 &&
        (event->position().toPoint() - *m_dragFrom).manhattanLength() >= QApplication::startDragDistance()) {
        m_dragFrom.reset();
        emit DragStarted();
    }
    event->accept();
}

void MyListCtrl::keyPressEvent(QKeyEvent* event)
{
    emit KeyDown(event->key(), event->modifiers());
    // The list view's own handling of the moving keys, after the owner's:
    // Up and Down are the owner's alone, the others only scroll. None
    // moves across columns as the table would.
    QScrollBar* rows = verticalScrollBar();
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        // The owner has moved its current row, which has the focus, into view.
        break;
    case Qt::Key_PageUp:
        rows->triggerAction(QAbstractSlider::SliderPageStepSub);
        break;
    case Qt::Key_PageDown:
        rows->triggerAction(QAbstractSlider::SliderPageStepAdd);
        break;
    case Qt::Key_Home:
        rows->triggerAction(QAbstractSlider::SliderToMinimum);
        break;
    case Qt::Key_End:
        rows->triggerAction(QAbstractSlider::SliderToMaximum);
        break;
    case Qt::Key_Left:
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        break;
    case Qt::Key_Right:
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        break;
    default:
        QTableView::keyPressEvent(event);
        return;
    }
    event->accept();
}

void MyListCtrl::focusInEvent(QFocusEvent* event)
{
    QTableView::focusInEvent(event);
    viewport()->update();
}

void MyListCtrl::focusOutEvent(QFocusEvent* event)
{
    QTableView::focusOutEvent(event);
    viewport()->update();
}

void MyListCtrl::DrawFocusIndicator(QPainter& painter) const
{
    // A dotted frame round the row that has the list's focus, in the colour
    // of its text; round the rows' area when no row has it.
    const int row = m_focusedItem ? m_focusedItem() : -1;
    QRect frame = viewport()->rect();
    QColor color = palette().color(QPalette::Text);
    if (row >= 0) {
        frame = GetItemRect(row, LVIR_BOUNDS).intersected(frame);
        if (GetItemState(row, LVIS_SELECTED) != 0)
            color = palette().color(QPalette::HighlightedText);
    }
    if (frame.isEmpty())
        return;
    painter.setPen(QPen(color, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
}
