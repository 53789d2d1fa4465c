#pragma once

#include "platform/CTime.h"

#include <QWidget>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class MyListCtrl;
class RecordedFileTable;
class ResultListModel;

// The listed recordings on a time axis, above the result list: one bar per
// clip from its start to its start plus its length, coloured by its category,
// and a tick per snapshot; on a page of several cameras one lane per camera.
// It spans the searched range, narrowed to the days that hold rows, so that
// a search from 2005 to now still shows the days recorded rather than a
// hairline. Hovering a bar shows the recording's name and time; a click on one
// asks for its row (RowClicked).
//
// The rows are read from the list's model and counted into pixel columns, so
// that painting costs the strip's width however many rows there are; the
// counts are made again only when the model's rows or the strip's width
// change, and only for the rows added when rows were added. It reads nothing
// but the model.
class TimelineStrip : public QWidget {
    Q_OBJECT

public:
    // cameras: of a page of several, its cameras in page order, a lane each;
    // empty for one lane. Hidden until Place gives it room.
    TimelineStrip(QWidget* page, MyListCtrl& list, std::vector<std::string> cameras);

    // The range the list's rows were searched over.
    void SetRange(CTime start, CTime end);

    // The list has been placed extraHeight taller than its template's size:
    // with room for the strip besides, the strip takes the list's top and the
    // list keeps the rest, never less than its template's height; otherwise
    // the strip hides and the list stays as placed.
    void Place(int extraHeight);

    // Where the list's row nItem is drawn, in the strip's coordinates: its
    // bar, or a one-pixel column for a snapshot; empty for a row not drawn.
    QRect BarRect(int nItem) const;
    // The list's row drawn at point (within a few pixels), -1 for none.
    int ItemAt(QPoint point) const;

signals:
    void RowClicked(int nItem);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // What the strip has counted: the rows of table up to nRows, by pixel
    // column of a plot nWidth wide over [tSpanStart, tSpanEnd).
    struct Counts {
        const RecordedFileTable* pTable = nullptr;
        int nRows = 0;
        int nWidth = 0;
        std::int64_t tFirst = 0; // the rows' earliest start and latest end
        std::int64_t tLast = 0;
        std::int64_t tSpanStart = 0;
        std::int64_t tSpanEnd = 0;
        // Per lane and clip category: +1 where a bar starts, -1 after its
        // last column; summed along the lane, the bars over each column.
        std::vector<std::array<std::vector<int>, 4>> aBarEdges;
        // Per lane: the snapshots in each column.
        std::vector<std::vector<int>> aTicks;
    };

    int LaneHeight() const;
    int AxisHeight() const;
    int GutterWidth() const;
    QRect PlotRect() const;
    QRect LaneRect(int lane) const;
    int LaneOf(std::size_t tableRow) const;
    // The plot's column of a time, which may lie outside it.
    int ColumnOf(std::int64_t time) const;
    // Brings m_counts up to the model's rows and the strip's width.
    void Count() const;
    void CountRows(int from, int to) const;
    // The span shown for rows from first to last.
    std::pair<std::int64_t, std::int64_t> SpanFor(std::int64_t first, std::int64_t last, bool any) const;
    // The columns row's bar or tick covers, first and last.
    std::pair<int, int> ColumnsOf(std::size_t tableRow) const;
    void PaintAxis(QPainter& painter, const QRect& plot) const;
    void PaintLane(QPainter& painter, int lane) const;

    MyListCtrl& m_list;
    const ResultListModel& m_model;
    std::vector<std::string> m_aCameras;
    CTime m_tRangeStart;
    CTime m_tRangeEnd;
    // Counts are a cache of what the model holds, made when painted.
    mutable Counts m_counts;
    mutable bool m_bRecount = true;
};
