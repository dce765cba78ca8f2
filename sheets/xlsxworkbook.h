#pragma once
#include "sheets/worksheet.h"

#include <QString>

// Writes an Excel 2007 (.xlsx) file with the same content and formats as the
// .xls export. Throws AppError with the library's reason on failure.
void writeXlsxFile(const QString &path, const Worksheet &sheet);
