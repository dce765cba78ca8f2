#include "sheets/sheetcells.h"

#include <cstddef>

void SheetCells::set(int row, int column, QString text)
{
    if (row < 0 || column < 0)
        return;
    const auto r = static_cast<std::size_t>(row);
    if (r >= m_rows.size())
        m_rows.resize(r + 1);
    auto &cells = m_rows[r];
    for (auto &cell : cells) {
        if (cell.first == column) {
            cell.second = std::move(text);
            return;
        }
    }
    cells.emplace_back(column, std::move(text));
}

QString SheetCells::at(int row, int column) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.size())
        return {};
    for (const auto &cell : m_rows[static_cast<std::size_t>(row)]) {
        if (cell.first == column)
            return cell.second;
    }
    return {};
}
