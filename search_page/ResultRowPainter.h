#pragma once

class MyListCtrl;
class QPainter;

// Draws one row of the result list across all its columns: the highlight for
// a selected row, the rows' own background for the others, each text fitted
// to its cell. Reads the list and changes nothing of it.
void PaintResultRow(QPainter& painter, const MyListCtrl& list, int nItem, bool bSelected);
