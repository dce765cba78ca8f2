#include "sheets/sheetcells.h"

#include <algorithm>

bool SheetCells::cell(int row, int column, QString text)
{
    if (row >= 0 && column >= 0)
        m_cells[{row, column}] = std::move(text); // a later value for the same cell replaces the earlier
    return true;
}

QString SheetCells::at(int row, int column) const
{
    const auto it = m_cells.find({row, column});
    return it == m_cells.end() ? QString() : it->second;
}

void MergedRanges::add(int firstRow, int firstColumn, int lastRow, int lastColumn)
{
    if (firstRow > lastRow)
        std::swap(firstRow, lastRow);
    if (firstColumn > lastColumn)
        std::swap(firstColumn, lastColumn);
    lastColumn = std::min(lastColumn, m_columns - 1);
    // A range of one cell, or one wholly in columns never asked for, hides nothing.
    if (firstRow < 0 || firstColumn < 0 || firstColumn > lastColumn
        || (firstRow == lastRow && firstColumn == lastColumn))
        return;
    m_ranges.push_back({firstRow, firstColumn, lastRow, lastColumn});
    m_sorted = false;
}

bool MergedRanges::hides(int row, int column)
{
    if (m_ranges.empty() || row < m_row)
        return false;
    if (!m_sorted) {
        std::sort(m_ranges.begin(), m_ranges.end(), [](const Range &a, const Range &b) {
            return a.firstRow != b.firstRow ? a.firstRow < b.firstRow : a.firstColumn < b.firstColumn;
        });
        m_sorted = true;
        m_active.clear();
        m_next = 0;
        m_row = -1;
        m_nextExpiry = std::numeric_limits<int>::max();
    }
    if (row > m_row)
        advance(row);
    auto after = std::upper_bound(m_active.begin(), m_active.end(), column,
                                  [](int c, const Range &r) { return c < r.firstColumn; });
    if (after == m_active.begin())
        return false;
    const Range &range = *std::prev(after);
    return column <= range.lastColumn && (row != range.firstRow || column != range.firstColumn);
}

void MergedRanges::advance(int row)
{
    m_row = row;
    if (row > m_nextExpiry) {
        std::erase_if(m_active, [row](const Range &r) { return r.lastRow < row; });
        m_nextExpiry = std::numeric_limits<int>::max();
        for (const Range &r : m_active)
            m_nextExpiry = std::min(m_nextExpiry, r.lastRow);
    }
    for (; m_next < m_ranges.size() && m_ranges[m_next].firstRow <= row; ++m_next) {
        const Range &range = m_ranges[m_next];
        if (range.lastRow < row)
            continue; // over rows that gave no cells
        const auto at = std::upper_bound(m_active.begin(), m_active.end(), range.firstColumn,
                                         [](int c, const Range &r) { return c < r.firstColumn; });
        const bool overlaps = (at != m_active.end() && at->firstColumn <= range.lastColumn)
                              || (at != m_active.begin() && std::prev(at)->lastColumn >= range.firstColumn);
        if (!overlaps) {
            m_active.insert(at, range);
            m_nextExpiry = std::min(m_nextExpiry, range.lastRow);
        }
    }
}
