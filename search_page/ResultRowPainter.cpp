#include "search_page/ResultRowPainter.h"

#include "platform/ui/QtStrings.h"
#include "search_page/MyListCtrl.h"
#include "search_page/TextFitting.h"

#include <QPainter>

namespace {

constexpr QRgb kRowBackground = qRgb(250, 250, 255);
// The background above is fixed, so the text on it is too: a theme's own text
// colour may be as light as the background.
constexpr QRgb kRowText = qRgb(0, 0, 0);
constexpr int kLabelInset = 2;
constexpr int kSubItemInset = 6;

} // namespace

void PaintResultRow(QPainter& painter, const MyListCtrl& list, int nItem, bool bSelected)
{
    const QRect bounds = list.GetItemRect(nItem, LVIR_BOUNDS);
    const QRect label = list.GetItemRect(nItem, LVIR_LABEL);
    const QPen previousPen = painter.pen();
    if (bSelected) {
        const QPalette& palette = list.palette();
        painter.setPen(palette.color(QPalette::HighlightedText));
        painter.fillRect(bounds, palette.color(QPalette::Highlight));
    } else {
        painter.setPen(QColor(kRowText));
        painter.fillRect(bounds, QColor(kRowBackground));
    }

    constexpr int kTextFlags = Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip;
    const QFontMetrics metrics = painter.fontMetrics();
    const QString name = FitText(metrics, ToQString(list.GetItemText(nItem, 0)), label.width(), 2 * kLabelInset);
    painter.drawText(label.adjusted(kLabelInset, 0, -kLabelInset, 0), Qt::AlignLeft | kTextFlags, name);

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
        int alignment = Qt::AlignLeft;
        if (!shortened && format == LVCFMT_RIGHT)
            alignment = Qt::AlignRight;
        else if (!shortened && format == LVCFMT_CENTER)
            alignment = Qt::AlignHCenter;
        painter.drawText(cell.adjusted(kSubItemInset, 0, -kSubItemInset, 0), alignment | kTextFlags, fitted);
    }

    painter.setPen(previousPen);
}
