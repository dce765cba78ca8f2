#pragma once
#include "sheets/worksheet.h"

#include <QString>
#include <cstddef>

// Writes an Excel 2007 (.xlsx) file with the same content and formats as the
// .xls export, a row at a time: memory stays the same whatever the length.
// Throws SheetWriteError on failure and SheetTooLong when the rows go on
// past rowLimit (header included).
void writeXlsxFile(const QString &path, const Worksheet &sheet, SheetRows &rows, std::size_t rowLimit);
