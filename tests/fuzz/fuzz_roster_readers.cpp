// Feeds arbitrary bytes to the workbook and text readers: whatever the input,
// they must answer with cells or with their error, never crash or hang.
#include "sheets/biffreader.h"
#include "sheets/olecontainer.h"
#include "sheets/textroster.h"

#include <cstddef>
#include <cstdint>

namespace {

// Keeps the cell reads from being optimised away.
[[maybe_unused]] volatile std::size_t sink = 0;

void touch(const SheetCells &cells)
{
    std::size_t total = 0;
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 6; ++column)
            total += static_cast<std::size_t>(cells.at(row, column).size());
    }
    sink = total;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    try {
        if (Ole::isCompoundFile(bytes))
            touch(Biff::readFirstWorksheet(Ole::workbookStream(bytes)));
        else if (Biff::looksLikeBiff(bytes))
            touch(Biff::readFirstWorksheet(bytes));
    } catch (const Biff::Error &) {
    }
    if (TextRoster::looksLikeText(bytes))
        touch(TextRoster::parse(TextRoster::decode(bytes)));
    return 0;
}
