#pragma once
#include <QByteArray>

// The OLE2 compound file that wraps an Excel 95–2003 workbook.
namespace Ole {

bool isCompoundFile(const QByteArray &bytes);

// The workbook stream ("Workbook", or "Book" as Excel 95 names it, in any
// case; "Workbook" where both are), read
// through libgsf. Throws Biff::Error: Corrupt when the container is damaged
// (including sector chains that cross or loop, which libgsf lets pass),
// NotAWorkbook when it holds no workbook, Encrypted when it holds a
// password-protected Office Open XML package.
QByteArray workbookStream(const QByteArray &file);

} // namespace Ole
