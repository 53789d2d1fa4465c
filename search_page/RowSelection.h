#pragma once

#include <vector>

// Which rows of the result list are selected, apart from the current row:
// a plain click or key selects one row, Ctrl+click adds or removes one, and a
// Shift click or key selects the range from the anchor (the row of the last
// plain or Ctrl action) to the row it reaches.
class RowSelection {
public:
    // Only row is selected (none for -1), among count rows; row is the anchor.
    void Reset(int count, int row);
    void Toggle(int row);
    void Extend(int row);
    void SelectAll();

    bool IsSelected(int row) const;
    // Ascending.
    std::vector<int> Rows() const;

private:
    std::vector<bool> m_abSelected;
    int m_nAnchor = -1;
};
