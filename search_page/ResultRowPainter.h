#pragma once

class MyListCtrl;
class QFontMetrics;
class QPainter;

// Draws one row of the result list across all its columns: the highlight for
// a selected row, the rows' own background and dark text for the others (in
// any theme), each text fitted
// to its cell. Reads the list and changes nothing of it.
void PaintResultRow(QPainter& painter, const MyListCtrl& list, int nItem, bool bSelected);

// Where the row's painted text ends on the right, in the viewport's
// coordinates: whatever lies beyond it hides none of the row's text.
int ResultRowTextRight(const QFontMetrics& metrics, const MyListCtrl& list, int nItem);
