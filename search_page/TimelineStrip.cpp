#include "search_page/TimelineStrip.h"

#include "catalog/RecordedFileTable.h"
#include "catalog/RecordingNames.h"
#include "platform/ui/QtStrings.h"
#include "res/Resource.h"
#include "search_page/MyListCtrl.h"
#include "search_page/ResultListModel.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <limits>

namespace {

// Between the strip and the list below it.
constexpr int kGap = 4;
// How far from a bar a click or the pointer still finds it: bars of short
// clips are a pixel or two wide.
constexpr int kSlop = 3;
constexpr std::int64_t kDay = 86400;

// In the order of kCategoryLabels.
enum Category { kScheduled, kSnapShot, kInstant, kMotion, kCategories };

constexpr QRgb kColours[kCategories] = {qRgb(52, 120, 200), qRgb(30, 150, 70), qRgb(225, 135, 20), qRgb(205, 45, 45)};
// Where clips of several categories share a column, the rarer one shows.
constexpr Category kShownFirst[] = {kMotion, kInstant, kScheduled, kSnapShot};

Category CategoryOf(std::string_view fileName)
{
    const std::string_view category = CategoryFromTypeCode(fileName);
    if (category == kCategoryScheduled)
        return kScheduled;
    if (category == kCategorySnapShot)
        return kSnapShot;
    if (category == kCategoryInstant)
        return kInstant;
    return kMotion;
}

std::int64_t DayStart(std::int64_t time)
{
    const CTime at(time);
    return CTime(at.GetYear(), at.GetMonth(), at.GetDay(), 0, 0, 0).GetTime();
}

std::int64_t NextDayStart(std::int64_t time)
{
    const CTime at(time);
    return CTime(at.GetYear(), at.GetMonth(), at.GetDay() + 1, 0, 0, 0).GetTime();
}

} // namespace

TimelineStrip::TimelineStrip(QWidget* page, MyListCtrl& list, std::vector<std::string> cameras)
    : QWidget(page), m_list(list), m_model(list.Model()), m_aCameras(std::move(cameras))
{
    setObjectName(QString::number(IDC_TIMELINE));
    setAccessibleName(QStringLiteral("Timeline"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    hide();
    // Rows replaced count again from nothing; rows added count on.
    connect(&m_model, &QAbstractItemModel::modelReset, this, [this] {
        m_bRecount = true;
        update();
    });
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, qOverload<>(&QWidget::update));
    connect(m_list.selectionModel(), &QItemSelectionModel::currentChanged, this, qOverload<>(&QWidget::update));
}

void TimelineStrip::SetRange(CTime start, CTime end)
{
    if (start == m_tRangeStart && end == m_tRangeEnd)
        return;
    m_tRangeStart = start;
    m_tRangeEnd = end;
    m_bRecount = true;
    update();
}

int TimelineStrip::LaneHeight() const
{
    const int text = fontMetrics().height();
    if (m_aCameras.size() <= 1)
        return text + 6;
    // Many cameras share a few lines' height rather than need a huge window.
    return std::max(6, std::min(text + 2, 5 * text / static_cast<int>(m_aCameras.size())));
}

int TimelineStrip::AxisHeight() const
{
    return fontMetrics().height() + 4;
}

int TimelineStrip::GutterWidth() const
{
    if (m_aCameras.empty())
        return 0;
    int widest = 0;
    for (const std::string& camera : m_aCameras)
        widest = std::max(widest, fontMetrics().horizontalAdvance(ToQString(camera)));
    return std::min(widest + 10, width() / 5);
}

QRect TimelineStrip::PlotRect() const
{
    const int lanes = static_cast<int>(std::max<std::size_t>(1, m_aCameras.size()));
    const QRect inside = rect().adjusted(1, 1, -1, -1);
    return {inside.left() + GutterWidth(), inside.top() + AxisHeight(), std::max(0, inside.width() - GutterWidth()),
            lanes * LaneHeight()};
}

QRect TimelineStrip::LaneRect(int lane) const
{
    const QRect plot = PlotRect();
    return {plot.left(), plot.top() + lane * LaneHeight(), plot.width(), LaneHeight() - 1};
}

void TimelineStrip::Place(int extraHeight)
{
    const int lanes = static_cast<int>(std::max<std::size_t>(1, m_aCameras.size()));
    const int height = AxisHeight() + lanes * LaneHeight() + 2;
    if (extraHeight < height + kGap) {
        hide();
        return;
    }
    const QRect list = m_list.geometry();
    setGeometry(list.left(), list.top(), list.width(), height);
    m_list.setGeometry(list.adjusted(0, height + kGap, 0, 0));
    show();
}

int TimelineStrip::LaneOf(std::size_t tableRow) const
{
    if (m_aCameras.empty())
        return 0;
    const std::size_t source = m_counts.pTable->GetSource(tableRow);
    return static_cast<int>(std::min(source, m_aCameras.size() - 1));
}

int TimelineStrip::ColumnOf(std::int64_t time) const
{
    const Counts& counts = m_counts;
    if (time < counts.tSpanStart)
        return -1;
    if (time >= counts.tSpanEnd)
        return counts.nWidth;
    return static_cast<int>((time - counts.tSpanStart) * counts.nWidth / (counts.tSpanEnd - counts.tSpanStart));
}

std::pair<int, int> TimelineStrip::ColumnsOf(std::size_t tableRow) const
{
    const RecordedFileTable& table = *m_counts.pTable;
    const std::int64_t start = table.GetRecordedTime(tableRow);
    const int seconds = table.GetDurationSeconds(tableRow);
    const int first = ColumnOf(start);
    if (seconds < 0)
        return first >= 0 && first < m_counts.nWidth ? std::pair{first, first} : std::pair{0, -1};
    return {std::max(first, 0), std::min(ColumnOf(start + seconds), m_counts.nWidth - 1)};
}

std::pair<std::int64_t, std::int64_t> TimelineStrip::SpanFor(std::int64_t first, std::int64_t last, bool any) const
{
    std::int64_t start = m_tRangeStart.GetTime();
    std::int64_t end = m_tRangeEnd.GetTime();
    const bool ranged = end > start;
    if (!any) {
        // The last day searched, or nothing to show before a search.
        if (!ranged)
            return {0, kDay};
        return {std::max(start, end - kDay), end};
    }
    // A clip that ends at midnight does not bring in the next day. A row the
    // list holds is shown whole, also one that runs past the searched end or
    // came into the list after the search.
    const std::int64_t firstDay = DayStart(first);
    const std::int64_t lastDay = NextDayStart(std::max(first, last - 1));
    start = std::min(ranged ? std::max(start, firstDay) : firstDay, first);
    end = std::max(ranged ? std::min(end, lastDay) : lastDay, last);
    return {start, std::max(end, start + 60)};
}

void TimelineStrip::Count() const
{
    Counts& counts = m_counts;
    const RecordedFileTable* table = m_model.GetTable();
    const int rows = table == nullptr ? 0 : m_model.rowCount();
    const int width = PlotRect().width();
    bool full = m_bRecount || table != counts.pTable || width != counts.nWidth || rows < counts.nRows;
    if (!full && rows == counts.nRows)
        return;

    int from = full ? 0 : counts.nRows;
    std::int64_t first = std::numeric_limits<std::int64_t>::max();
    std::int64_t last = std::numeric_limits<std::int64_t>::min();
    if (!full && counts.nRows > 0) {
        first = counts.tFirst;
        last = counts.tLast;
    }
    for (int row = from; row < rows; ++row) {
        const auto i = static_cast<std::size_t>(row);
        const std::int64_t start = table->GetRecordedTime(i);
        first = std::min(first, start);
        last = std::max(last, start + std::max(0, table->GetDurationSeconds(i)));
    }
    const auto [spanStart, spanEnd] = SpanFor(first, last, rows > 0);
    // Rows beyond the days shown widen them: every row counts again.
    if (!full && (spanStart != counts.tSpanStart || spanEnd != counts.tSpanEnd)) {
        full = true;
        from = 0;
    }
    counts.pTable = table;
    counts.nRows = rows;
    counts.tFirst = first;
    counts.tLast = last;
    if (full) {
        const std::size_t lanes = std::max<std::size_t>(1, m_aCameras.size());
        const auto columns = static_cast<std::size_t>(width);
        counts.nWidth = width;
        counts.tSpanStart = spanStart;
        counts.tSpanEnd = spanEnd;
        counts.aBarEdges.assign(lanes, {});
        for (auto& lane : counts.aBarEdges)
            for (std::vector<int>& edges : lane)
                edges.assign(columns + 1, 0);
        counts.aTicks.assign(lanes, std::vector<int>(columns, 0));
    }
    m_bRecount = false;
    CountRows(from, rows);
}

void TimelineStrip::CountRows(int from, int to) const
{
    // A page that has not searched has no table, and no rows.
    if (m_counts.pTable == nullptr)
        return;
    const RecordedFileTable& table = *m_counts.pTable;
    for (int row = from; row < to; ++row) {
        const auto i = static_cast<std::size_t>(row);
        const auto [first, last] = ColumnsOf(i);
        if (first > last)
            continue;
        const auto lane = static_cast<std::size_t>(LaneOf(i));
        if (table.GetDurationSeconds(i) < 0) {
            ++m_counts.aTicks[lane][static_cast<std::size_t>(first)];
            continue;
        }
        std::vector<int>& edges = m_counts.aBarEdges[lane][static_cast<std::size_t>(CategoryOf(table.GetFileName(i)))];
        ++edges[static_cast<std::size_t>(first)];
        --edges[static_cast<std::size_t>(last) + 1];
    }
}

QRect TimelineStrip::BarRect(int nItem) const
{
    Count();
    const int row = m_model.GetTableRow(nItem);
    if (row < 0 || m_counts.pTable == nullptr)
        return {};
    const auto i = static_cast<std::size_t>(row);
    const auto [first, last] = ColumnsOf(i);
    if (first > last)
        return {};
    const QRect lane = LaneRect(LaneOf(i));
    return {lane.left() + first, lane.top(), last - first + 1, lane.height()};
}

int TimelineStrip::ItemAt(QPoint point) const
{
    Count();
    const QRect plot = PlotRect();
    if (m_counts.pTable == nullptr || point.y() < plot.top() || point.y() > plot.bottom())
        return -1;
    const int lane = (point.y() - plot.top()) / LaneHeight();
    const int column = point.x() - plot.left();
    const RecordedFileTable& table = *m_counts.pTable;
    // The nearest bar; of bars over the point, the one started last, which
    // is drawn over the others' ends.
    int best = -1;
    int bestDistance = kSlop + 1;
    for (int row = 0; row < m_counts.nRows; ++row) {
        const auto i = static_cast<std::size_t>(row);
        if (LaneOf(i) != lane)
            continue;
        const auto [first, last] = ColumnsOf(i);
        if (first > last)
            continue;
        const int distance = column < first ? first - column : column > last ? column - last : 0;
        if (distance < bestDistance ||
            (distance == bestDistance && best >= 0 &&
             table.GetRecordedTime(i) > table.GetRecordedTime(static_cast<std::size_t>(best)))) {
            best = row;
            bestDistance = distance;
        }
    }
    if (best < 0)
        return -1;
    for (int item = 0; item < m_counts.nRows; ++item)
        if (m_model.GetTableRow(item) == best)
            return item;
    return -1;
}

bool TimelineStrip::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const int item = ItemAt(help->pos());
    if (item < 0) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    QString text = ToQString(m_list.GetItemText(item, 0)) + QLatin1Char('\n') + ToQString(m_list.GetItemText(item, 1));
    if (const std::string duration = m_list.GetItemText(item, 2); !duration.empty())
        text += QStringLiteral("  (%1)").arg(ToQString(duration));
    if (const std::string camera = m_list.GetItemText(item, 3); !camera.empty())
        text += QLatin1Char('\n') + ToQString(camera);
    // It stays while the pointer is where it would find the same bar.
    QToolTip::showText(help->globalPos(), text, this, BarRect(item).adjusted(-kSlop, 0, kSlop, 0));
    return true;
}

void TimelineStrip::mousePressEvent(QMouseEvent* event)
{
    // Taken here: the page reads a press that reaches it as one on the list.
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    if (const int item = ItemAt(event->position().toPoint()); item >= 0)
        emit RowClicked(item);
}

void TimelineStrip::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
}

void TimelineStrip::paintEvent(QPaintEvent*)
{
    Count();
    QPainter painter(this);
    const QPalette& colours = palette();
    painter.fillRect(rect(), colours.color(QPalette::Base));
    painter.setPen(colours.color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    const int lanes = static_cast<int>(m_counts.aTicks.size());
    for (int lane = 0; lane < lanes; ++lane)
        PaintLane(painter, lane);
    PaintAxis(painter, PlotRect());
    const QModelIndex current = m_list.currentIndex();
    if (const QRect bar = current.isValid() ? BarRect(current.row()) : QRect(); !bar.isEmpty()) {
        painter.setPen(QPen(colours.color(QPalette::Text), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(bar.adjusted(-2, 0, 1, -1));
    }
}

void TimelineStrip::PaintLane(QPainter& painter, int lane) const
{
    const QRect area = LaneRect(lane);
    if (lane % 2 == 1)
        painter.fillRect(area, palette().color(QPalette::AlternateBase));
    // Lanes of many cameras grow too thin for a name; the tooltip says it.
    if (!m_aCameras.empty() && area.height() + 2 >= fontMetrics().height()) {
        const QRect gutter(1, area.top(), GutterWidth() - 4, area.height());
        painter.setPen(palette().color(QPalette::Text));
        const QString name = ToQString(m_aCameras[static_cast<std::size_t>(lane)]);
        painter.drawText(gutter, Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(name, Qt::ElideRight, gutter.width()));
    }

    const auto& edges = m_counts.aBarEdges[static_cast<std::size_t>(lane)];
    const int width = m_counts.nWidth;
    const QRect bars = area.adjusted(0, 2, 0, -2);
    int over[kCategories] = {};
    int runStart = 0;
    int runCategory = -1;
    // Columns of one colour are filled as one rectangle.
    for (int column = 0; column <= width; ++column) {
        int shown = -1;
        if (column < width) {
            for (int category = 0; category < kCategories; ++category)
                over[category] += edges[static_cast<std::size_t>(category)][static_cast<std::size_t>(column)];
            for (Category category : kShownFirst)
                if (over[category] > 0) {
                    shown = category;
                    break;
                }
        }
        if (column < width && shown == runCategory)
            continue;
        // A short clip's bar is a column wide: two keep it in sight.
        if (runCategory >= 0)
            painter.fillRect(std::min(bars.left() + runStart, bars.right() - 1), bars.top(),
                             std::max(2, column - runStart), bars.height(), QColor(kColours[runCategory]));
        runStart = column;
        runCategory = shown;
    }

    const QColor tick = QColor(kColours[kSnapShot]).darker(130);
    const std::vector<int>& ticks = m_counts.aTicks[static_cast<std::size_t>(lane)];
    for (int column = 0; column < width; ++column)
        if (ticks[static_cast<std::size_t>(column)] > 0)
            painter.fillRect(std::min(area.left() + column, area.right() - 1), area.top(), 2, area.height(), tick);
}

void TimelineStrip::PaintAxis(QPainter& painter, const QRect& plot) const
{
    const std::int64_t start = m_counts.tSpanStart;
    const std::int64_t end = m_counts.tSpanEnd;
    // Before a search there is no time to show.
    if (plot.width() <= 0 || (m_counts.nRows == 0 && m_tRangeEnd <= m_tRangeStart))
        return;
    // The shortest step whose labels keep apart.
    static constexpr std::int64_t kSteps[] = {60,       300,       600,       900,        1800,       3600,
                                              7200,     10800,     21600,     43200,      kDay,       2 * kDay,
                                              7 * kDay, 30 * kDay, 91 * kDay, 365 * kDay, 1826 * kDay};
    const int labelWidth = fontMetrics().horizontalAdvance(QStringLiteral("00-00")) + 12;
    std::int64_t step = kSteps[std::size(kSteps) - 1];
    for (std::int64_t candidate : kSteps)
        if (candidate * plot.width() / (end - start) >= labelWidth) {
            step = candidate;
            break;
        }

    // Steps under a day fall on the local clock's round times, longer ones
    // on local midnights.
    std::vector<std::int64_t> marks;
    if (step < kDay) {
        const std::int64_t offset = CTime(start).GetUtcOffset().value_or(0);
        const std::int64_t local = start + offset;
        for (std::int64_t mark = (local + step - 1) / step * step - offset; mark < end; mark += step)
            marks.push_back(mark);
    } else {
        const CTime day(DayStart(start));
        const auto days = static_cast<int>(step / kDay);
        for (int k = 0;; k += days) {
            const std::int64_t mark = CTime(day.GetYear(), day.GetMonth(), day.GetDay() + k, 0, 0, 0).GetTime();
            if (mark >= end)
                break;
            if (mark >= start)
                marks.push_back(mark);
        }
    }

    QColor grid = palette().color(QPalette::Text);
    grid.setAlpha(50);
    const int textTop = 1;
    for (std::int64_t mark : marks) {
        const int x = plot.left() + ColumnOf(mark);
        painter.setPen(grid);
        painter.drawLine(x, plot.top() - 3, x, plot.bottom());
        const CTime at(mark);
        const bool midnight = at.GetHour() == 0 && at.GetMinute() == 0;
        const char* format = step >= 30 * kDay ? "%m-%y" : (step >= kDay || midnight ? "%m-%d" : "%H:%M");
        const QString label = ToQString(at.Format(format));
        if (x + 2 + fontMetrics().horizontalAdvance(label) > plot.right())
            continue;
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(QRect(x + 2, textTop, labelWidth, AxisHeight() - 2), Qt::AlignLeft | Qt::AlignVCenter, label);
    }
}
