#include "search_page/ResultRowPainter.h"

#include "platform/ui/QtStrings.h"
#include "search_page/MyListCtrl.h"
#include "search_page/TextFitting.h"

#include <QPainter>

#include <algorithm>

namespace {

constexpr QRgb kRowBackground = qRgb(250, 250, 255);
// The background above is fixed, so the text on it is too: a theme's own text
// colour may be as light as the background.
constexpr QRgb kRowText = qRgb(0, 0, 0);
constexpr int kLabelInset = 2;
constexpr int kSubItemInset = 6;

// Each text of the row as it is painted: its cell, less the insets, the text
// fitted to it and its alignment.
template <class Visit>
void ForEachCellText(const QFontMetrics& metrics, const MyListCtrl& list, int nItem, Visit visit)
{
    const QRect label = list.GetItemRect(nItem, LVIR_LABEL);
    visit(label.adjusted(kLabelInset, 0, -kLabelInset, 0),
          FitText(metrics, ToQString(list.GetItemText(nItem, 0)), label.width(), 2 * kLabelInset), Qt::AlignLeft);

    int left = label.left() + label.width();
    int format = LVCFMT_LEFT;
    int width = 0;
    for (int column = 1; list.GetColumn(column, format, width); ++column) {
        const QRect cell(left, label.top(), width, label.height());
        left += width;
        const std::string& text = list.GetItemText(nItem, column);
        if (text.empty())
            continue;
        bool shortened = false;
        const QString fitted = FitText(metrics, ToQString(text), width, 2 * kSubItemInset, &shortened);
        Qt::Alignment alignment = Qt::AlignLeft;
        if (!shortened && format == LVCFMT_RIGHT)
            alignment = Qt::AlignRight;
        else if (!shortened && format == LVCFMT_CENTER)
            alignment = Qt::AlignHCenter;
        visit(cell.adjusted(kSubItemInset, 0, -kSubItemInset, 0), fitted, alignment);
    }
}

constexpr int kTextFlags = Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip;

} // namespace

void PaintResultRow(QPainter& painter, const MyListCtrl& list, int nItem, bool bSelected)
{
    const QRect bounds = list.GetItemRect(nItem, LVIR_BOUNDS);
    const QPen previousPen = painter.pen();
    if (bSelected) {
        const QPalette& palette = list.palette();
        painter.setPen(palette.color(QPalette::HighlightedText));
        painter.fillRect(bounds, palette.color(QPalette::Highlight));
    } else {
        painter.setPen(QColor(kRowText));
        painter.fillRect(bounds, QColor(kRowBackground));
    }
    ForEachCellText(painter.fontMetrics(), list, nItem,
                    [&painter](const QRect& area, const QString& text, Qt::Alignment alignment) {
                        painter.drawText(area, static_cast<int>(alignment) | kTextFlags, text);
                    });
    painter.setPen(previousPen);
}

int ResultRowTextRight(const QFontMetrics& metrics, const MyListCtrl& list, int nItem)
{
    int right = list.GetItemRect(nItem, LVIR_LABEL).left();
    ForEachCellText(metrics, list, nItem, [&](const QRect& area, const QString& text, Qt::Alignment alignment) {
        const QRect painted = metrics.boundingRect(area, static_cast<int>(alignment) | kTextFlags, text);
        right = std::max(right, painted.right() + 1);
    });
    return right;
}
