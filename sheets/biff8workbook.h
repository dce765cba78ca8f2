#pragma once
#include "sheets/worksheet.h"

#include <QByteArray>

// The "Workbook" stream of an Excel 97-2003 (BIFF8) file holding one sheet:
// header and rows as shared strings, red fill with white bold text.
QByteArray biff8WorkbookStream(const Worksheet &sheet);

// A complete .xls file: the stream above in an OLE2 compound file.
// Throws AppError when the container cannot be built.
QByteArray xlsFileBytes(const Worksheet &sheet);
