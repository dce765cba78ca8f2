#pragma once
#include "sheets/sheetcells.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <string>

class QIODevice;

// Workbooks kept in a zip: Office Open XML (.xlsx, .xlsm) and OpenDocument
// spreadsheets (.ods). zlib unpacks the parts (each checked against its
// checksum), liborcus parses their XML; the first worksheet's cells go to the
// sink as the parser meets them. Values as
// Excel shows them: numbers in shortest decimal form, formula cells by their
// cached result, TRUE/FALSE, error values as written (#DIV/0!), dates as their
// serial number in the workbook's own date system, shared and rich text as
// plain text with _xHHHH_ escapes decoded and line ends as XML reads them,
// merged and empty cells empty. Part names match whatever their case.
namespace ZipBook {

// Damaged: the zip itself (part empty), or the XML of the part named.
// MissingPart: a part the package names but lacks. NotAWorkbook: a zip, or an
// Office document, that holds no spreadsheet. Binary: an Excel binary
// workbook (.xlsb), which only Excel reads.
enum class Failure { Damaged, Encrypted, NoWorksheet, NotAWorkbook, Binary, MissingPart, TooLarge };

struct Error {
    Failure failure;
    std::string part = {}; // as the package names it
};

// The largest unpacked part read: a sheet of a million rows stays well below.
constexpr qint64 LargestPart = 512ll * 1024 * 1024;

bool looksLikeZip(QByteArrayView head);

class Package {
public:
    // Reads the zip's directory and what kind of document it holds; throws
    // Error. The file (or the bytes, which must outlive the package) is read
    // again for every part.
    static std::unique_ptr<Package> openFile(const QString &path);
    static std::unique_ptr<Package> openBytes(const QByteArray &bytes);
    virtual ~Package() = default;

    // One pass over the first worksheet. Throws Error, and ReadingStopped
    // when the sink asks to stop. A pass given recordColumns also keeps what
    // the cells of that many first columns hold, as far as it reads, in
    // place of the sheet's XML (a check before an import): the later passes
    // whose sink keeps no more columns hand those cells on without parsing
    // the sheet again.
    virtual void readFirstWorksheet(CellSink &sink, int recordColumns = 0) = 0;
};

} // namespace ZipBook
