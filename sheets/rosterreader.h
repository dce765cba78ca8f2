#pragma once
#include <QString>
#include <array>
#include <memory>

#include "base/errors.h"
#include "sheets/sheetcells.h"

// The four roster columns of one row: factory, department, name, code.
using RosterCells = std::array<QString, 4>;

// Receives the rows of a roster file while it is read.
class RosterSink {
public:
    virtual ~RosterSink() = default;
    // Row `number` (from 1). False stops the reading.
    virtual bool row(int number, const RosterCells &cells) = 0;
    // Called regularly while the file is read, also between rows; the place
    // to let events through. False stops the reading.
    virtual bool idle() = 0;
};

// Where the roster stopped short of its sheet: at the first row whose first
// column is empty, with rows after it that still hold something in the
// roster's columns (a gap the operator would not expect to end the roster).
struct RosterEnd {
    int emptyRow = 0; // from 1; 0 when nothing follows the roster's end
    int rowsAfter = 0; // rows after it with a cell in columns 1 to 4
};

// The first worksheet of a roster file. Rows stream from the file to the
// sink as they are decoded; memory holds only what the format itself forces
// (a workbook's record stream, a zip's sheet part, a shared-string table).
class RosterReader {
public:
    virtual ~RosterReader() = default;

    // Opens a roster file. What the file holds decides the reader (an OLE2 or
    // BIFF workbook, a zip holding a workbook or spreadsheet document,
    // otherwise text; a text file named .csv is comma-separated, any other
    // tab-separated). Throws RosterFileError with a message naming the file
    // when it cannot be read.
    static std::unique_ptr<RosterReader> open(const QString &path);

    // Hands on the rows from row 1 until the first row whose first column is
    // empty, columns 1 to 4; the rest of the sheet is read on to count what
    // the roster left out. A damaged file is found before the first row is
    // handed on (RosterFileError), so nothing of it reaches the sink.
    RosterEnd read(RosterSink &sink);

    // The same rows in one pass, handed on as they are decoded: a file
    // damaged part-way is refused (RosterFileError) after rows have been
    // handed on. For a sink that can take back what it did with them, so
    // that the file need not be read twice.
    RosterEnd readInOnePass(RosterSink &sink);
    // Whether readInOnePass() may refuse the file after handing on rows
    // (never so for text, which cannot be damaged).
    bool mayRefuseAfterRows() const { return needsRehearsal(); }

    // Every cell of the first worksheet, as read(), without its end rule and
    // without its column limit.
    void readCells(CellSink &sink);

protected:
    explicit RosterReader(QString path) : m_path(std::move(path)) {}
    // One pass over the first worksheet. `rehearsal` is the checking pass
    // before the real one, for formats whose damage may lie anywhere.
    virtual void cells(CellSink &sink, bool rehearsal) = 0;
    // Whether damage can show only part-way through (not so for text).
    virtual bool needsRehearsal() const { return true; }
    [[noreturn]] void fail(const QString &why) const;
    const QString &path() const { return m_path; }

private:
    // False when the sink stopped the reading.
    bool pass(RosterSink &sink, bool rehearsal, RosterEnd *end = nullptr);
    QString m_path;
};

// A roster file that cannot be opened or read.
class RosterFileError : public AppError {
public:
    using AppError::AppError;
};

// Thrown inside a reader when its sink asks it to stop.
struct ReadingStopped {};

// A number as a cell shows it: shortest decimal form that reads back as the
// same value (1001, 12.5, 0.274, 1e+20).
QString shortestNumberText(double value);

// The serial number of a date and time in a workbook whose day 0 is `origin`
// (Excel's 1900 system: 1899-12-30 with its leap day 1900-02-29 kept in the
// count; the 1904 system: 1904-01-01).
double dateSerial(int originYear, int originMonth, int originDay, int year, int month, int day, int hour, int minute,
                  double second);
