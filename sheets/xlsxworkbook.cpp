#include "sheets/xlsxworkbook.h"

#include <QFileInfo>
#include <xlsxwriter.h>

#include <cerrno>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

lxw_format *cellFormat(lxw_workbook *book, const Worksheet &sheet, bool centred)
{
    lxw_format *f = workbook_add_format(book);
    format_set_font_name(f, sheet.fontName.toUtf8().constData());
    format_set_font_size(f, sheet.fontPx * 0.75);
    format_set_bold(f);
    format_set_font_color(f, LXW_COLOR_WHITE);
    format_set_pattern(f, LXW_PATTERN_SOLID);
    format_set_bg_color(f, LXW_COLOR_RED);
    format_set_border(f, LXW_BORDER_THIN);
    format_set_border_color(f, LXW_COLOR_WHITE);
    format_set_align(f, centred ? LXW_ALIGN_CENTER : LXW_ALIGN_LEFT);
    format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
    return f;
}

[[noreturn]] void fail(lxw_error error)
{
    // The library's own failures come from stdio: errno still holds the cause.
    throw SheetWriteError{error == LXW_ERROR_MEMORY_MALLOC_FAILED ? ENOMEM : errno,
                          QString::fromUtf8(lxw_strerror(error))};
}

void check(lxw_error error)
{
    if (error != LXW_NO_ERROR)
        fail(error);
}

struct FreeBook {
    void operator()(lxw_workbook *book) const { lxw_workbook_free(book); }
};

} // namespace

void writeXlsxFile(const QString &path, const Worksheet &sheet, SheetRows &rows, std::size_t rowLimit)
{
    const QByteArray fileName = QFile::encodeName(path);
    // The library keeps the sheet's rows in a file until it packs them: beside
    // the export, on its disk, rather than in a /tmp that may live in memory.
    QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    lxw_workbook_options options{};
    // Rows go straight to disk, so the length of the list costs no memory.
    options.constant_memory = LXW_TRUE;
    options.tmpdir = folder.data();
    std::unique_ptr<lxw_workbook, FreeBook> book(workbook_new_opt(fileName.constData(), &options));
    if (!book)
        fail(LXW_ERROR_MEMORY_MALLOC_FAILED);

    lxw_worksheet *ws = workbook_add_worksheet(book.get(), sheet.name.toUtf8().constData());
    if (!ws)
        fail(LXW_ERROR_MEMORY_MALLOC_FAILED);
    lxw_format *left = cellFormat(book.get(), sheet, false);
    lxw_format *centred = cellFormat(book.get(), sheet, true);
    const double rowHeight = sheet.rowHeightPx * 0.75;
    const std::size_t columns = sheet.columns.size();
    for (size_t c = 0; c < columns; ++c) {
        const auto col = static_cast<lxw_col_t>(c);
        check(worksheet_set_column(ws, col, col, sheet.columns[c].widthPx / 7.0, nullptr));
    }

    std::vector<SheetCell> cells(columns);
    auto writeRow = [&](lxw_row_t r, bool header) {
        check(worksheet_set_row(ws, r, rowHeight, nullptr));
        for (size_t c = 0; c < columns; ++c) {
            lxw_format *f = header || sheet.columns[c].centred ? centred : left;
            const auto col = static_cast<lxw_col_t>(c);
            if (const double *number = std::get_if<double>(&cells[c])) {
                check(worksheet_write_number(ws, r, col, *number, f));
                continue;
            }
            const QString *text = std::get_if<QString>(&cells[c]);
            const QByteArray utf8 = text ? text->toUtf8() : QByteArray();
            check(utf8.isEmpty() ? worksheet_write_blank(ws, r, col, f)
                                 : worksheet_write_string(ws, r, col, utf8.constData(), f));
        }
    };
    for (size_t c = 0; c < columns; ++c)
        cells[c] = sheet.columns[c].header;
    writeRow(0, true);
    std::size_t written = 1;
    for (;;) {
        cells.assign(columns, SheetCell());
        if (!rows.next(cells))
            break;
        if (written >= rowLimit)
            throw SheetTooLong{};
        writeRow(static_cast<lxw_row_t>(written), false);
        ++written;
    }
    errno = 0;
    check(workbook_close(book.release()));
}
