#pragma once
#include "sheets/worksheet.h"

#include <QString>
#include <cstddef>

// Writes an Excel 97-2003 (.xls) file: a BIFF8 "Workbook" stream holding one
// sheet, in an OLE2 compound file made by libgsf. Header and texts are shared
// strings, numbers are numbers, every cell red with white bold text.
//
// Rows are taken one at a time. The shared strings must come before the
// sheet in the stream, so the cells and the strings are gathered in
// temporary files beside path (removed by the system even after a crash) and
// joined when the last row is in: memory holds a few bytes per distinct text,
// not the list. expectedRows, the count given before the rows, sizes the
// strings' index. Throws SheetWriteError on failure and SheetTooLong when the
// rows go on past rowLimit (header included).
void writeXlsFile(const QString &path, const Worksheet &sheet, SheetRows &rows, std::size_t expectedRows,
                  std::size_t rowLimit);
