#pragma once
#include "sheets/worksheet.h"

#include <QString>
#include <cstddef>

// Rows a worksheet holds, the header row included.
constexpr std::size_t XlsRowLimit = 65536;
constexpr std::size_t XlsxRowLimit = 1048576;

// Saves a sheet as .xlsx when the name ends so, otherwise as .xls, taking its
// rows one at a time. The file is written beside the target under a temporary
// name and moved over the target only when complete, so a failure never
// leaves a partial file under the chosen name and an existing file is
// replaced whole or not at all. A list longer than the format holds (header
// included) is refused by its count, before any row is read; one that grows
// past it while it is read is refused as well. Throws AppError with a text for
// the operator; what the rows throw passes through, the target unchanged.
void writeWorksheetFile(const QString &path, const Worksheet &sheet, SheetRows &rows);
