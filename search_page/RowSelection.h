#pragma once

#include <qnamespace.h>

#include <optional>
#include <vector>

// Which rows of the result list are selected, apart from the current row:
// a plain click or key selects one row, Ctrl+click adds or removes one, and a
// Shift click or key selects the range from the anchor (the row of the last
// plain or Ctrl action) to the row it reaches.
class RowSelection {
public:
    // Only row is selected (none for -1), among count rows; row is the anchor.
    void Reset(int count, int row);
    // A press on row (-1 for none) among count rows. True for a plain press
    // inside a selection of several rows, which changes nothing yet: the
    // release makes it the only one, unless the press began a drag of them all.
    bool Press(int row, int count, Qt::KeyboardModifiers modifiers);
    void Toggle(int row);
    void Extend(int row);
    void SelectAll();
    // The rows were put in another order: row i is now at moved[i].
    void Reorder(const std::vector<int>& moved);
    // Rows were added after the others, unselected, up to count.
    void Grow(int count);

    // The row that Up, Down, or with Shift Home and End, make current from
    // row among count rows; none for another key, which leaves the current
    // row alone.
    static std::optional<int> RowForKey(int key, bool shift, int row, int count);

    bool IsSelected(int row) const;
    // Ascending.
    std::vector<int> Rows() const;

private:
    std::vector<bool> m_abSelected;
    int m_nAnchor = -1;
};
