#pragma once
#include "sheets/worksheet.h"

#include <QString>

// A failed .xlsx write: the system's error number where one is known (0 when
// not) and the library's own reason.
struct XlsxWriteError {
    int errorNumber;
    QString reason;
};

// Writes an Excel 2007 (.xlsx) file with the same content and formats as the
// .xls export. Throws XlsxWriteError on failure.
void writeXlsxFile(const QString &path, const Worksheet &sheet);
