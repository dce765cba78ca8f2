#pragma once
#include "sheets/worksheet.h"

#include <QString>
#include <cstddef>

// Rows a worksheet holds, the header row included.
constexpr std::size_t XlsRowLimit = 65536;
constexpr std::size_t XlsxRowLimit = 1048576;

// Saves a sheet as .xlsx when the name ends so, otherwise as .xls. The file is
// written beside the target under a temporary name and moved over the target
// only when complete, so a failure never leaves a partial file under the
// chosen name and an existing file is replaced whole or not at all.
// A sheet longer than the format holds (header included) is refused before
// anything is written. Throws AppError with a text for the operator.
void writeWorksheetFile(const QString &path, const Worksheet &sheet);
