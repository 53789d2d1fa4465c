#include "search_page/TextFitting.h"

#include <QFontMetrics>

QString FitText(const QFontMetrics& metrics, const QString& text, int available, int margin, bool* shortened)
{
    if (shortened != nullptr)
        *shortened = false;
    if (text.isEmpty() || metrics.horizontalAdvance(text) + margin <= available)
        return text;

    static const QString kEllipsis = QStringLiteral("...");
    const int ellipsis = metrics.horizontalAdvance(kEllipsis);
    qsizetype keep = 1;
    for (qsizetype k = text.size() - 1; k >= 1; --k) {
        // Never cut a character in two.
        if (text.at(k).isLowSurrogate())
            continue;
        if (metrics.horizontalAdvance(text, static_cast<int>(k)) + ellipsis + margin <= available) {
            keep = k;
            break;
        }
    }
    if (keep < text.size() && text.at(keep).isLowSurrogate())
        ++keep;
    if (shortened != nullptr)
        *shortened = true;
    return text.left(keep) + kEllipsis;
}
