#include "sheets/xlsxworkbook.h"

#include "base/errors.h"

#include <xlsxwriter.h>

#include <cerrno>

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
    throw XlsxWriteError{error == LXW_ERROR_MEMORY_MALLOC_FAILED ? ENOMEM : errno,
                         QString::fromUtf8(lxw_strerror(error))};
}

} // namespace

void writeXlsxFile(const QString &path, const Worksheet &sheet)
{
    const QByteArray fileName = path.toUtf8();
    lxw_workbook_options options{};
    // Rows go straight to disk: ten thousand winners need no memory to speak of.
    options.constant_memory = LXW_TRUE;
    lxw_workbook *book = workbook_new_opt(fileName.constData(), &options);
    if (!book)
        fail(LXW_ERROR_MEMORY_MALLOC_FAILED);

    lxw_worksheet *ws = workbook_add_worksheet(book, sheet.name.toUtf8().constData());
    lxw_format *left = cellFormat(book, sheet, false);
    lxw_format *centred = cellFormat(book, sheet, true);
    lxw_error error = ws ? LXW_NO_ERROR : LXW_ERROR_MEMORY_MALLOC_FAILED;
    const double rowHeight = sheet.rowHeightPx * 0.75;
    for (size_t c = 0; c < sheet.columns.size() && !error; ++c) {
        const auto col = static_cast<lxw_col_t>(c);
        error = worksheet_set_column(ws, col, col, sheet.columns[c].widthPx / 7.0, nullptr);
    }
    auto writeRow = [&](lxw_row_t r, auto cellAt, bool header) {
        if (!error)
            error = worksheet_set_row(ws, r, rowHeight, nullptr);
        for (size_t c = 0; c < sheet.columns.size() && !error; ++c) {
            const QByteArray text = cellAt(c).toUtf8();
            lxw_format *f = header || sheet.columns[c].centred ? centred : left;
            const auto col = static_cast<lxw_col_t>(c);
            error = text.isEmpty() ? worksheet_write_blank(ws, r, col, f)
                                   : worksheet_write_string(ws, r, col, text.constData(), f);
        }
    };
    writeRow(
        0, [&](size_t c) { return sheet.columns[c].header; }, true);
    for (size_t r = 0; r < sheet.rows.size() && !error; ++r) {
        const QStringList &row = sheet.rows[r];
        writeRow(
            static_cast<lxw_row_t>(r + 1),
            [&](size_t c) {
                return static_cast<qsizetype>(c) < row.size() ? row[static_cast<qsizetype>(c)] : QString();
            },
            false);
    }
    errno = 0;
    const lxw_error closed = workbook_close(book);
    if (error)
        fail(error);
    if (closed)
        fail(closed);
}
