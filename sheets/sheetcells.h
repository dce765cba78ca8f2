#pragma once
#include <QString>
#include <array>
#include <limits>
#include <map>
#include <utility>

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
