#include "search_page/RowSelection.h"

#include <algorithm>

namespace {

bool IsRow(const std::vector<bool>& rows, int row)
{
    return row >= 0 && row < static_cast<int>(rows.size());
}

} // namespace

void RowSelection::Reset(int count, int row)
{
    m_abSelected.assign(static_cast<std::size_t>(std::max(count, 0)), false);
    m_nAnchor = row;
    if (IsRow(m_abSelected, row))
        m_abSelected[static_cast<std::size_t>(row)] = true;
}

void RowSelection::Toggle(int row)
{
    if (!IsRow(m_abSelected, row))
        return;
    m_abSelected[static_cast<std::size_t>(row)] = !m_abSelected[static_cast<std::size_t>(row)];
    m_nAnchor = row;
}

void RowSelection::Extend(int row)
{
    if (!IsRow(m_abSelected, row))
        return;
    if (!IsRow(m_abSelected, m_nAnchor))
        m_nAnchor = row;
    std::fill(m_abSelected.begin(), m_abSelected.end(), false);
    const auto first = static_cast<std::size_t>(std::min(row, m_nAnchor));
    const auto last = static_cast<std::size_t>(std::max(row, m_nAnchor));
    std::fill(m_abSelected.begin() + static_cast<std::ptrdiff_t>(first),
              m_abSelected.begin() + static_cast<std::ptrdiff_t>(last) + 1, true);
}

void RowSelection::SelectAll()
{
    std::fill(m_abSelected.begin(), m_abSelected.end(), true);
}

void RowSelection::Reorder(const std::vector<int>& moved)
{
    if (moved.size() != m_abSelected.size())
        return;
    std::vector<bool> selected(m_abSelected.size(), false);
    for (std::size_t row = 0; row < moved.size(); ++row)
        if (m_abSelected[row])
            selected[static_cast<std::size_t>(moved[row])] = true;
    m_abSelected = std::move(selected);
    if (IsRow(m_abSelected, m_nAnchor))
        m_nAnchor = moved[static_cast<std::size_t>(m_nAnchor)];
}

void RowSelection::Grow(int count)
{
    m_abSelected.resize(std::max(m_abSelected.size(), static_cast<std::size_t>(std::max(count, 0))), false);
}

bool RowSelection::IsSelected(int row) const
{
    return IsRow(m_abSelected, row) && m_abSelected[static_cast<std::size_t>(row)];
}

std::vector<int> RowSelection::Rows() const
{
    std::vector<int> rows;
    for (std::size_t i = 0; i < m_abSelected.size(); ++i)
        if (m_abSelected[i])
            rows.push_back(static_cast<int>(i));
    return rows;
}

std::optional<int> RowSelection::RowForKey(int key, bool shift, int row, int count)
{
    if (key == Qt::Key_Down)
        return row != count - 1 ? row + 1 : row;
    if (key == Qt::Key_Up)
        return row != 0 ? row - 1 : row;
    if (shift && key == Qt::Key_Home && count > 0)
        return 0;
    if (shift && key == Qt::Key_End && count > 0)
        return count - 1;
    return std::nullopt;
}

bool RowSelection::Press(int row, int count, Qt::KeyboardModifiers modifiers)
{
    if (row >= 0 && (modifiers & Qt::ShiftModifier) != 0)
        Extend(row);
    else if (row >= 0 && modifiers == Qt::NoModifier && IsSelected(row) && Rows().size() > 1)
        return true;
    else if (row >= 0 && (modifiers & Qt::ControlModifier) != 0)
        Toggle(row);
    else
        Reset(count, row);
    return false;
}
