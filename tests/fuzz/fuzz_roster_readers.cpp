// Feeds arbitrary bytes to the workbook, zip and text readers: whatever the
// input, they must answer with cells or with their error, never crash or hang.
#include "sheets/biffreader.h"
#include "sheets/olecontainer.h"
#include "sheets/rosterreader.h"
#include "sheets/textroster.h"
#include "sheets/zipworkbook.h"

#include <QBuffer>
#include <cstddef>
#include <cstdint>

namespace {

// Keeps the cells of the first rows, so that their texts are really made.
class Cells : public CellSink {
public:
    bool cell(int row, int column, QString text) override
    {
        if (row < 8 && column < 6)
            total += static_cast<std::size_t>(text.size());
        return ++count < 200000;
    }
    std::size_t total = 0, count = 0;
};

// The roster's four columns: the check's pass records them, the import's
// hands them on again.
class RosterColumns : public Cells {
public:
    int keptColumns() const override { return 4; }
};

[[maybe_unused]] volatile std::size_t sink = 0;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    Cells cells;
    try {
        if (Ole::isCompoundFile(bytes))
            Biff::readFirstWorksheet(Ole::workbookStream(bytes), cells);
        else if (Biff::looksLikeBiff(bytes))
            Biff::readFirstWorksheet(bytes, cells);
    } catch (const Biff::Error &) {
    } catch (const ReadingStopped &) {
    }
    try {
        if (ZipBook::looksLikeZip(bytes))
            ZipBook::Package::openBytes(bytes)->readFirstWorksheet(cells);
    } catch (const ZipBook::Error &) {
    } catch (const ReadingStopped &) {
    }
    try {
        if (ZipBook::looksLikeZip(bytes)) {
            const auto package = ZipBook::Package::openBytes(bytes);
            RosterColumns roster;
            package->readFirstWorksheet(roster, 4);
            package->readFirstWorksheet(roster);
            package->readFirstWorksheet(cells); // the sheet unpacked again
        }
    } catch (const ZipBook::Error &) {
    } catch (const ReadingStopped &) {
    }
    if (TextRoster::looksLikeText(bytes)) {
        QByteArray copy = bytes;
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        for (const auto dialect : {TextRoster::Dialect::Tabs, TextRoster::Dialect::Commas}) {
            try {
                TextRoster::read(buffer, dialect, cells);
            } catch (const ReadingStopped &) {
            }
        }
    }
    sink = cells.total;
    return 0;
}
