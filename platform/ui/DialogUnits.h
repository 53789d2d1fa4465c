#pragma once

#include <QRect>

class QFont;

// Turns dialog units into pixels the way Windows does for a dialog's font:
// horizontally a quarter of the average character width, vertically an
// eighth of the character height.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    // The platform's default UI font stands in for 8-point "MS Sans Serif".
    static DialogUnits ForDefaultFont();

    int ToPixelsX(int du) const;
    int ToPixelsY(int du) const;
    QRect MapDialogRect(int x, int y, int cx, int cy) const;

private:
    int m_nBaseX;
    int m_nBaseY;
};
