#pragma once

#include <QString>

class QFontMetrics;

// Fits a cell's text to its width the way the result list always has: the
// text unchanged when it fits with the margin, otherwise its longest prefix
// (at least one character) that fits together with "..." and the margin,
// followed by "...". shortened tells which of the two happened.
QString FitText(const QFontMetrics& metrics, const QString& text, int available, int margin, bool* shortened = nullptr);
