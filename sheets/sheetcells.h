#pragma once
#include <QString>
#include <utility>
#include <vector>

// Cell texts of one sheet, stored per row in the order the file gives them.
// Memory grows with the cells present, never with the coordinates a file
// claims, so a malformed file cannot make it explode.
class SheetCells {
public:
    // Zero-based coordinates; a later value for the same cell replaces the earlier.
    void set(int row, int column, QString text);
    // Zero-based; empty outside the data.
    QString at(int row, int column) const;

private:
    std::vector<std::vector<std::pair<int, QString>>> m_rows;
};
