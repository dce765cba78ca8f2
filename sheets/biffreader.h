#pragma once
#include "sheets/sheetcells.h"

#include <QByteArray>

// Reads the cell values of the first worksheet from a BIFF record stream: the
// "Workbook"/"Book" stream of an Excel 95–2003 file (BIFF5, BIFF8), a bare
// BIFF5/8 stream, or a standalone BIFF2–BIFF4 worksheet file. Values become
// text as Excel hands them out: numbers in shortest decimal form, text as
// stored, formula cells by their last computed value, cells hidden under a
// merged range empty.
namespace Biff {

// NotAWorkbook: a compound file that holds no workbook (a Word document, say).
enum class Failure { Corrupt, Encrypted, NoWorksheet, NotAWorkbook };

struct Error {
    Failure failure;
};

// True when the bytes start like a BIFF stream (a BOF record of any version).
bool looksLikeBiff(const QByteArray &bytes);

// Hands the cells to the sink as the records give them. Throws Biff::Error,
// and ReadingStopped when the sink asks to stop.
void readFirstWorksheet(const QByteArray &stream, CellSink &sink);

} // namespace Biff
