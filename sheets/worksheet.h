#pragma once
#include <QString>
#include <cstddef>
#include <variant>
#include <vector>

// How a saved sheet looks: its name, its columns and the one set of colours
// and font that every cell carries. The rows come from a SheetRows.
struct Worksheet {
    struct Column {
        QString header;
        int widthPx = 100;
        bool centred = true;
    };
    QString name;
    std::vector<Column> columns;
    int rowHeightPx = 42;
    QString fontName;
    int fontPx = 27;
};

// One cell: empty, text, or a number (kept a number, so that a spreadsheet
// sorts and sums it as one).
using SheetCell = std::variant<std::monostate, QString, double>;

// Where a sheet's rows come from, one at a time: a list of any length is
// written without being held in memory.
class SheetRows {
public:
    virtual ~SheetRows() = default;
    // How many rows will follow, the header not included. Asked once, before
    // the first row, so that a list too long for the format is refused before
    // any row is read.
    virtual std::size_t count() = 0;
    // Puts the next row into cells, which hold one cell per column on entry;
    // false after the last row.
    virtual bool next(std::vector<SheetCell> &cells) = 0;
};

// A failed write: the system's error number where one is known (0 when not)
// and the library's own reason.
struct SheetWriteError {
    int errorNumber;
    QString reason;
};

// The rows went on past what the format holds (the list grew after it was
// counted).
struct SheetTooLong {};
