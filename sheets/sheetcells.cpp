#include "sheets/sheetcells.h"

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
