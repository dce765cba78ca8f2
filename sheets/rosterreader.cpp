#include "sheets/rosterreader.h"

#include "sheets/biffreader.h"
#include "sheets/olecontainer.h"
#include "sheets/textroster.h"
#include "sheets/zipworkbook.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <charconv>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// A workbook is read from memory: its record stream (or its file, mapped)
// is what the format forces. Real rosters are a few megabytes.
constexpr qint64 LargestWorkbook = 512ll * 1024 * 1024;

QString named(const QString &path) { return u"文件“"_s + QDir::toNativeSeparators(path) + u"”"_s; }

// A file of an Office program that holds no spreadsheet.
const QString NotASpreadsheet = u"不是电子表格，程序不能读取。可导入的是Excel工作簿(.xls、.xlsx、.xlsm)、"
                                u"OpenDocument表格(.ods)和文本文件(.txt、.csv)。"_s;

QString megabytes(qint64 bytes) { return QString::number((bytes + 1024 * 1024 - 1) / (1024 * 1024)); }

// Builds roster rows from the cells: columns 1 to 4 of each row, from row 1
// until the first row whose first column is empty. Cells come row by row;
// one that comes back to an earlier row is not taken. The rest of the sheet
// is still read, for its check and to count the rows the roster left out.
class RowAssembler : public CellSink {
public:
    RowAssembler(RosterSink &sink, bool rehearsal) : m_sink(sink), m_rehearsal(rehearsal) {}

    bool cell(int row, int column, QString text) override
    {
        if (m_stopped)
            return false;
        if (row < m_row)
            return true;
        while (!m_ended && row > m_row) {
            if (!handOn() && m_stopped)
                return false;
        }
        if (m_ended) {
            countLeftOut(row, column, text);
            return true;
        }
        if (column >= 0 && column < 4)
            m_cells[static_cast<std::size_t>(column)] = std::move(text);
        return true;
    }
    bool idle() override
    {
        if (!m_sink.idle())
            m_stopped = true;
        return !m_stopped;
    }
    // The check needs the first column only, where the roster ends; the
    // reader still checks the cells it leaves out. Seeing fewer cells, the
    // check moves on to a later row no sooner than the import: it reads at
    // least as far.
    int keptColumns() const override { return m_rehearsal ? 1 : static_cast<int>(RosterCells().size()); }
    void finish()
    {
        if (!m_ended)
            handOn();
    }
    bool stopped() const { return m_stopped; }
    RosterEnd end() const { return m_leftOut > 0 ? RosterEnd{m_row + 1, m_leftOut} : RosterEnd{}; }

private:
    bool handOn()
    {
        if (m_cells[0].isEmpty()) {
            m_ended = true;
            return false;
        }
        if (!m_rehearsal && !m_sink.row(m_row + 1, m_cells)) {
            m_ended = m_stopped = true;
            return false;
        }
        m_cells = {};
        ++m_row;
        return true;
    }
    // A row past the end that holds something where a roster row would.
    void countLeftOut(int row, int column, const QString &text)
    {
        if (row > m_row && row > m_lastLeftOut && column >= 0 && column < 4 && !text.isEmpty()) {
            m_lastLeftOut = row;
            ++m_leftOut;
        }
    }

    RosterSink &m_sink;
    const bool m_rehearsal;
    RosterCells m_cells;
    int m_row = 0; // zero-based; once ended, the row that ended the roster
    int m_lastLeftOut = -1, m_leftOut = 0;
    bool m_ended = false, m_stopped = false;
};

class BiffRoster : public RosterReader {
public:
    explicit BiffRoster(const QString &path) : RosterReader(path), m_file(path)
    {
        if (!m_file.open(QIODevice::ReadOnly))
            fail(u"无法打开：%1"_s.arg(m_file.errorString()));
        if (m_file.size() > LargestWorkbook)
            fail(u"有%1 MB，超过了可导入的Excel工作簿的上限%2 MB。"_s.arg(megabytes(m_file.size()),
                                                                          megabytes(LargestWorkbook)));
        const uchar *data = m_file.map(0, m_file.size());
        if (!data)
            fail(u"读取失败：%1"_s.arg(m_file.errorString()));
        m_bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), m_file.size());
        // The container is looked into at once: a Word document or a
        // damaged container is refused before anything is asked or read.
        if (Ole::isCompoundFile(m_bytes))
            guard([this] { m_stream = Ole::workbookStream(m_bytes); });
    }

protected:
    void cells(CellSink &sink, bool) override
    {
        guard([&] { Biff::readFirstWorksheet(m_stream.isNull() ? m_bytes : m_stream, sink); });
    }

private:
    template <typename Step> void guard(Step step)
    {
        try {
            step();
        } catch (const Biff::Error &error) {
            switch (error.failure) {
            case Biff::Failure::Encrypted:
                fail(u"设有密码保护，请先在Excel中取消密码再导入。"_s);
            case Biff::Failure::NoWorksheet:
                fail(u"中没有工作表。"_s);
            case Biff::Failure::NotAWorkbook:
                fail(NotASpreadsheet);
            case Biff::Failure::Corrupt:
                break;
            }
            fail(u"已损坏或不完整，无法读取。"_s);
        }
    }

    QFile m_file;
    QByteArray m_bytes; // the mapped file
    QByteArray m_stream; // the workbook stream of a compound file
};

class TextFileRoster : public RosterReader {
public:
    TextFileRoster(const QString &path, TextRoster::Dialect dialect) : RosterReader(path), m_dialect(dialect) {}

protected:
    bool needsRehearsal() const override { return false; } // text cannot be damaged
    void cells(CellSink &sink, bool) override
    {
        QFile file(path());
        if (!file.open(QIODevice::ReadOnly))
            fail(u"无法打开：%1"_s.arg(file.errorString()));
        TextRoster::read(file, m_dialect, sink);
        if (file.error() != QFileDevice::NoError)
            fail(u"读取失败：%1"_s.arg(file.errorString()));
    }

private:
    TextRoster::Dialect m_dialect;
};

class ZipRoster : public RosterReader {
public:
    explicit ZipRoster(const QString &path) : RosterReader(path)
    {
        guard([&] { m_package = ZipBook::Package::openFile(path); });
    }

protected:
    // The check keeps the roster's columns, and the import reads them from
    // there: the sheet is parsed once.
    void cells(CellSink &sink, bool rehearsal) override
    {
        const int recorded = rehearsal ? static_cast<int>(RosterCells().size()) : 0;
        guard([&] { m_package->readFirstWorksheet(sink, recorded); });
    }

private:
    template <typename Step> void guard(Step step)
    {
        try {
            step();
        } catch (const ZipBook::Error &error) {
            switch (error.failure) {
            case ZipBook::Failure::Encrypted:
                fail(u"设有密码保护，请先在电子表格程序中取消密码再导入。"_s);
            case ZipBook::Failure::NoWorksheet:
                fail(u"中没有工作表。"_s);
            case ZipBook::Failure::NotAWorkbook:
                fail(NotASpreadsheet);
            case ZipBook::Failure::Binary:
                fail(u"是Excel 二进制工作簿(.xlsb)，请在 Excel 中另存为 .xlsx 后再导入。"_s);
            case ZipBook::Failure::MissingPart:
                fail(u"不完整：缺少其中的“%1”部分，无法读取。请在电子表格程序中打开并另存后再导入。"_s.arg(
                    QString::fromStdString(error.part)));
            case ZipBook::Failure::TooLarge:
                fail(u"的工作表解压后超过%1 MB的上限，无法读取。"_s.arg(megabytes(ZipBook::LargestPart)));
            case ZipBook::Failure::Damaged:
                break;
            }
            if (!error.part.empty())
                fail(u"已损坏：其中的“%1”无法读取。"_s.arg(QString::fromStdString(error.part)));
            fail(u"已损坏或不完整(压缩包无法解开)，无法读取。"_s);
        }
    }

    std::unique_ptr<ZipBook::Package> m_package;
};

} // namespace

void RosterReader::fail(const QString &why) const { throw RosterFileError(named(m_path) + why); }

bool RosterReader::pass(RosterSink &sink, bool rehearsal, RosterEnd *end)
{
    RowAssembler rows(sink, rehearsal);
    try {
        cells(rows, rehearsal);
    } catch (const ReadingStopped &) {
    }
    if (!rows.stopped())
        rows.finish();
    if (end && !rows.stopped())
        *end = rows.end();
    return !rows.stopped();
}

RosterEnd RosterReader::read(RosterSink &sink)
{
    if (needsRehearsal() && !pass(sink, true))
        return {}; // stopped while the file was being checked: nothing handed on
    RosterEnd end;
    pass(sink, false, &end);
    return end;
}

RosterEnd RosterReader::readInOnePass(RosterSink &sink)
{
    RosterEnd end;
    pass(sink, false, &end);
    return end;
}

void RosterReader::readCells(CellSink &sink)
{
    try {
        cells(sink, false);
    } catch (const ReadingStopped &) {
    }
}

std::unique_ptr<RosterReader> RosterReader::open(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw RosterFileError(named(path) + u"无法打开：%1"_s.arg(file.errorString()));
    if (file.size() == 0)
        throw RosterFileError(named(path) + u"是空文件，其中没有员工资料。"_s);
    const QByteArray head = file.read(4096);
    file.close();

    if (Ole::isCompoundFile(head) || Biff::looksLikeBiff(head))
        return std::make_unique<BiffRoster>(path);
    if (ZipBook::looksLikeZip(head))
        return std::make_unique<ZipRoster>(path);
    if (!TextRoster::looksLikeText(head)) {
        throw RosterFileError(named(path)
                              + u"不是程序能读取的员工资料文件。可导入的是Excel工作簿(.xls、.xlsx、.xlsm)、"
                                u"OpenDocument表格(.ods)和文本文件(.txt、.csv)。"_s);
    }
    const bool csv = QFileInfo(path).suffix().compare(u"csv"_s, Qt::CaseInsensitive) == 0;
    return std::make_unique<TextFileRoster>(path, csv ? TextRoster::Dialect::Commas : TextRoster::Dialect::Tabs);
}

QString shortestNumberText(double value)
{
    if (value == 0)
        return u"0"_s;
    char buffer[64];
    // Whole numbers, most of a roster's: their digits are the shortest form.
    if (std::abs(value) < 1e15 && value == std::trunc(value)) {
        const auto digits = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value));
        return QString::fromLatin1(buffer, digits.ptr - buffer);
    }
    // Plain digits for the numbers a sheet usually holds, an exponent for very
    // large and very small ones, the way a cell that is wide enough shows them.
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    const char *e = std::find(buffer, result.ptr, 'e');
    int exponent = 0;
    if (e != result.ptr)
        std::from_chars(e + 1 + (e[1] == '+' ? 1 : 0), result.ptr, exponent);
    if (std::isfinite(value) && exponent >= -4 && exponent < 16)
        result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

double dateSerial(int originYear, int originMonth, int originDay, int year, int month, int day, int hour, int minute,
                  double second)
{
    const QDate origin(originYear, originMonth, originDay);
    const QDate date(year, month, day);
    double days = static_cast<double>(origin.daysTo(date));
    // Excel's 1900 system counts a 29 February 1900 that never was: its
    // serials for January and February 1900 are one less than the day count.
    if (origin == QDate(1899, 12, 30) && date >= QDate(1900, 1, 1) && date < QDate(1900, 3, 1))
        days -= 1;
    return days + (hour * 3600 + minute * 60 + second) / 86400.0;
}
