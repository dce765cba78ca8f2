#pragma once
#include <QString>
#include <array>
#include <limits>
#include <map>
#include <utility>
#include <vector>

// Receives the cells of a worksheet as a reader decodes them: row by row, in
// the order the file gives them. Coordinates are zero-based.
class CellSink {
public:
    virtual ~CellSink() = default;
    // False stops the reading.
    virtual bool cell(int row, int column, QString text) = 0;
    // Called regularly while a reader works, also where no cell comes for a
    // long time (a large file being unpacked or scanned). False stops it.
    virtual bool idle() { return true; }
    // The sink takes the cells of columns 0 to keptColumns() - 1 only. A
    // reader need not make the text of the others, but checks them all the
    // same, so that a damaged file is found whatever the sink keeps.
    virtual int keptColumns() const { return std::numeric_limits<int>::max(); }
};

// Every cell of a sheet, kept for looking at afterwards (tests, fuzzing).
class SheetCells : public CellSink {
public:
    bool cell(int row, int column, QString text) override;
    // Zero-based; empty outside the data.
    QString at(int row, int column) const;
    int rowCount() const { return m_cells.empty() ? 0 : m_cells.rbegin()->first.first + 1; }

private:
    std::map<std::pair<int, int>, QString> m_cells;
};

// The merged ranges of a sheet. A range shows the value of its first cell;
// whatever the file still holds in its other cells stays hidden, as in the
// spreadsheet programs.
class MergedRanges {
public:
    // Only columns 0 to columns - 1 are ever asked for.
    explicit MergedRanges(int columns) : m_columns(columns) {}
    // Zero-based, first to last inclusive, in either order.
    void add(int firstRow, int firstColumn, int lastRow, int lastColumn);
    bool empty() const { return m_ranges.empty(); }
    // Whether the cell is hidden under a range. Asked row by row, as a sheet
    // gives its cells; a row that comes back to an earlier one (a damaged
    // file) hides nothing. Of two ranges that overlap, the one met first counts.
    bool hides(int row, int column);

private:
    struct Range {
        int firstRow, firstColumn, lastRow, lastColumn;
    };
    void advance(int row);

    const int m_columns;
    std::vector<Range> m_ranges; // by first row once the first cell is asked for
    std::vector<Range> m_active; // those over the current row, by first column, none overlapping
    std::size_t m_next = 0; // the first range not yet met
    int m_row = -1;
    int m_nextExpiry = std::numeric_limits<int>::max(); // the last row of the active range that ends first
    bool m_sorted = false;
};
