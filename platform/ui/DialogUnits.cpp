#include "platform/ui/DialogUnits.h"

#include <QApplication>
#include <QFontMetrics>

#include <cmath>

namespace {

// a * b / c rounded half away from zero, as MulDiv does.
int MulDiv(int a, int b, int c)
{
    return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}

} // namespace

DialogUnits::DialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    // The alphabet's width over its 52 letters, rounded the way GDI does it.
    const int alphabet =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_nBaseX = (alphabet / 26 + 1) / 2;
    m_nBaseY = metrics.height();
}

DialogUnits DialogUnits::ForDefaultFont()
{
    return DialogUnits(QApplication::font());
}

int DialogUnits::ToPixelsX(int du) const
{
    return MulDiv(du, m_nBaseX, 4);
}

int DialogUnits::ToPixelsY(int du) const
{
    return MulDiv(du, m_nBaseY, 8);
}

QRect DialogUnits::MapDialogRect(int x, int y, int cx, int cy) const
{
    return QRect(ToPixelsX(x), ToPixelsY(y), ToPixelsX(cx), ToPixelsY(cy));
}
