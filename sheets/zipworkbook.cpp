#include "sheets/zipworkbook.h"

#include "base/largebuffer.h"
#include "sheets/rosterreader.h"

#include <QDate>
#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTime>

#include <orcus/sax_parser.hpp>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <deque>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace ZipBook {
namespace {

[[noreturn]] void failWith(Failure failure, const std::string &part = {}) { throw Error{failure, part}; }

// Part names compare without regard to case, as the package format has it:
// Excel finds "xl/SharedStrings.xml" where the relationships say "sharedStrings.xml".
// Some Windows programs write the names with backslashes, which Excel
// reads as the folders' slashes.
std::string folded(std::string_view name)
{
    std::string out(name);
    for (char &c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        else if (c == '\\')
            c = '/';
    }
    return out;
}

// Elements between two looks at the sink's idle(): a few milliseconds of work.
constexpr int ElementsPerIdle = 8192;
constexpr int MaxRows = 1048576; // Excel's sheet
constexpr int MaxColumns = 16384;

// Whether an XML name or value is the word: compared in place, with the
// word's length known when compiled.
template <std::size_t N> bool is(std::string_view text, const char (&word)[N])
{
    return text.size() == N - 1 && std::memcmp(text.data(), word, N - 1) == 0;
}

quint32 le(QByteArrayView b, qsizetype at, int bytes)
{
    if (at < 0 || at + bytes > b.size())
        failWith(Failure::Damaged);
    quint32 v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | static_cast<uchar>(b[at + i]);
    return v;
}

// A part as the zip's central directory describes it.
struct Entry {
    quint32 header = 0; // where its local header starts
    quint32 packedSize = 0, size = 0, crc = 0;
    quint16 method = 0, flags = 0;
};

// The zip's central directory, read first so that a part's size is known
// before anything is unpacked; by the parts' folded names.
std::map<std::string, Entry> readDirectory(QIODevice &device)
{
    const qint64 size = device.size();
    const qint64 tailSize = std::min<qint64>(size, 65535 + 22);
    device.seek(size - tailSize);
    const QByteArray tail = device.read(tailSize);
    qsizetype end = -1;
    for (qsizetype at = tail.size() - 22; at >= 0; --at) {
        if (tail[at] == 'P' && tail[at + 1] == 'K' && tail[at + 2] == 5 && tail[at + 3] == 6) {
            end = at;
            break;
        }
    }
    if (end < 0)
        failWith(Failure::Damaged); // cut short, or not a zip at all
    const quint32 count = le(tail, end + 10, 2);
    const quint32 directorySize = le(tail, end + 12, 4);
    const quint32 directoryStart = le(tail, end + 16, 4);
    if (qint64(directoryStart) + directorySize > size)
        failWith(Failure::Damaged);
    device.seek(directoryStart);
    const QByteArray directory = device.read(directorySize);
    std::map<std::string, Entry> parts;
    qsizetype at = 0;
    for (quint32 i = 0; i < count; ++i) {
        if (le(directory, at, 4) != 0x02014b50)
            failWith(Failure::Damaged);
        Entry entry;
        entry.flags = static_cast<quint16>(le(directory, at + 8, 2));
        entry.method = static_cast<quint16>(le(directory, at + 10, 2));
        entry.crc = le(directory, at + 16, 4);
        entry.packedSize = le(directory, at + 20, 4);
        entry.size = le(directory, at + 24, 4);
        entry.header = le(directory, at + 42, 4);
        const quint32 nameLength = le(directory, at + 28, 2);
        const quint32 skip = le(directory, at + 30, 2) + le(directory, at + 32, 2);
        if (at + 46 + nameLength > directory.size())
            failWith(Failure::Damaged);
        parts[folded(std::string_view(directory.constData() + at + 46, nameLength))] = entry;
        at += 46 + nameLength + skip;
    }
    return parts;
}

QString fromUtf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// Office Open XML writes characters that XML cannot carry as _xHHHH_;
// _x005F_ escapes the underscore of a literal "_xHHHH_".
QString decodeEscapes(QString text)
{
    if (!text.contains(u"_x"_s))
        return text;
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (text[i] == u'_' && i + 6 < n && text[i + 1] == u'x' && text[i + 6] == u'_') {
            bool ok = false;
            const uint code = QStringView(text).sliced(i + 2, 4).toUInt(&ok, 16);
            if (ok) {
                out.append(QChar(static_cast<char16_t>(code)));
                i += 6;
                continue;
            }
        }
        out.append(text[i]);
    }
    return out;
}

// A whole number written as shortestNumberText() writes it ("1001", "-7"),
// as workbooks write their numbers mostly: the text stands as it is.
bool shortestAlready(std::string_view text)
{
    const bool negative = !text.empty() && text.front() == '-';
    const std::string_view digits = text.substr(negative ? 1 : 0);
    if (digits.empty() || digits.size() > 15 || (digits.front() == '0' && (negative || digits.size() > 1)))
        return false;
    return std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<double> number(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

// "2020-01-02", "2020-01-02T12:30:00", "12:30:00" as a serial number.
std::optional<double> isoDateSerial(const QString &text, QDate origin)
{
    QDateTime when = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!when.isValid()) {
        const QDate day = QDate::fromString(text.left(10), Qt::ISODate);
        if (day.isValid())
            when = QDateTime(day, QTime(0, 0));
    }
    if (when.isValid()) {
        const QTime t = when.time();
        return dateSerial(origin.year(), origin.month(), origin.day(), when.date().year(), when.date().month(),
                          when.date().day(), t.hour(), t.minute(), t.second() + t.msec() / 1000.0);
    }
    const QTime time = QTime::fromString(text, Qt::ISODateWithMs);
    if (time.isValid())
        return time.msecsSinceStartOfDay() / 86400000.0;
    return std::nullopt;
}

// A column of an A1 reference ("C7" gives 2), -1 when it names none.
int referenceColumn(std::string_view ref)
{
    int column = 0;
    bool any = false;
    for (const char c : ref) {
        if (c == '$')
            continue;
        const char upper = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        if (upper < 'A' || upper > 'Z')
            break;
        column = column * 26 + (upper - 'A' + 1);
        any = true;
        if (column > MaxColumns)
            return -1;
    }
    return any ? column - 1 : -1;
}

std::optional<int> positiveInt(std::string_view text, int largest)
{
    int value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || value < 1)
        return std::nullopt;
    return std::min(value, largest);
}

void stopUnless(bool goOn)
{
    if (!goOn)
        throw ReadingStopped{};
}

// Something the parser has no use for past this point: the rest is not read.
struct PartDone {};

// An unpacked part with NUL padding behind it. liborcus 0.17's parser reads a
// few bytes past the end of a truncated attribute; the padding keeps that read
// inside the buffer, where it meets a character no XML name or quote may hold.
// Padded once when unpacked, a part is parsed in place as often as needed.
class XmlPart {
public:
    static constexpr std::size_t Padding = 16;

    XmlPart() = default;
    // Room for `size` bytes, to be written through data(), and the padding.
    explicit XmlPart(std::size_t size) : m_size(size), m_bytes(size + Padding) { clearPadding(); }
    char *data() { return m_bytes.data(); }
    const char *data() const { return m_bytes ? m_bytes.data() : ""; }
    std::size_t size() const { return m_size; }
    std::string_view text() const { return {data(), m_size}; }
    void clearPadding() { std::fill_n(m_bytes.data() + m_size, Padding, '\0'); }
    // XML reads a line end written as CR LF, or as a lone CR, as LF before
    // it parses anything (a CR written as &#13; or _x000D_ stays).
    void normaliseLineEnds()
    {
        char *const begin = data();
        const char *const end = begin + m_size;
        const char *in = static_cast<const char *>(std::memchr(begin, '\r', m_size));
        if (!in)
            return;
        char *out = begin + (in - begin);
        while (in < end) { // at a CR
            *out++ = '\n';
            if (++in < end && *in == '\n')
                ++in;
            const auto *next = static_cast<const char *>(std::memchr(in, '\r', static_cast<std::size_t>(end - in)));
            const char *stop = next ? next : end;
            std::memmove(out, in, static_cast<std::size_t>(stop - in));
            out += stop - in;
            in = stop;
        }
        m_size = static_cast<std::size_t>(out - begin);
        clearPadding();
    }

private:
    std::size_t m_size = 0;
    LargeBuffer m_bytes; // a large sheet is unpacked into fresh memory, front to back
};

// Parses the part called `name`.
template <typename Handler> void parse(const XmlPart &xml, Handler &handler, const std::string &name)
{
    try {
        orcus::sax_parser<Handler> parser(xml.data(), xml.size(), handler);
        parser.parse();
    } catch (const PartDone &) {
    } catch (Error &error) {
        if (error.failure == Failure::Damaged && error.part.empty())
            error.part = name; // what the part holds does not fit together
        throw;
    } catch (const std::exception &) {
        failWith(Failure::Damaged, name); // malformed XML
    }
}

// ---- Office Open XML ----------------------------------------------------

struct Relationship {
    std::string type, target;
};

class RelsHandler : public orcus::sax_handler {
public:
    std::map<std::string, Relationship> byId;
    std::vector<Relationship> inOrder;
    void attribute(const orcus::sax::parser_attribute &a)
    {
        if (is(a.name, "Id"))
            m_id = a.value;
        else if (is(a.name, "Type"))
            m_rel.type = a.value;
        else if (is(a.name, "Target"))
            m_rel.target = a.value;
    }
    void start_element(const orcus::sax::parser_element &e)
    {
        if (is(e.name, "Relationship")) {
            byId[m_id] = m_rel;
            inOrder.push_back(m_rel);
        }
        m_id.clear();
        m_rel = {};
    }

private:
    std::string m_id;
    Relationship m_rel;
};

bool endsWith(std::string_view s, std::string_view tail)
{
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// A relationship's target as a part name: relative to the folder of the part
// that names it, or from the package's root when it starts with '/'.
std::string resolvePart(const std::string &source, const std::string &target)
{
    std::vector<std::string> pieces;
    std::string path = target;
    if (!target.empty() && target.front() == '/') {
        path = target.substr(1);
    } else {
        const auto slash = source.rfind('/');
        path = (slash == std::string::npos ? std::string() : source.substr(0, slash + 1)) + target;
    }
    std::string piece;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/' || path[i] == '\\') {
            if (is(piece, "..")) {
                if (!pieces.empty())
                    pieces.pop_back();
            } else if (!piece.empty() && piece != ".") {
                pieces.push_back(piece);
            }
            piece.clear();
        } else {
            piece += path[i];
        }
    }
    std::string out;
    for (const auto &p : pieces)
        out += (out.empty() ? "" : "/") + p;
    return out;
}

std::string relsOf(const std::string &part)
{
    const auto slash = part.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
    return folder + "_rels/" + part.substr(slash == std::string::npos ? 0 : slash + 1) + ".rels";
}

class WorkbookHandler : public orcus::sax_handler {
public:
    bool date1904 = false;
    bool isWorkbook = false; // not so for a Word document's or a presentation's main part
    std::vector<std::string> sheetIds;
    void attribute(const orcus::sax::parser_attribute &a)
    {
        if (is(a.name, "date1904"))
            m_date1904 = is(a.value, "1") || is(a.value, "true");
        else if (is(a.name, "id") && !a.ns.empty())
            m_id = a.value;
    }
    void start_element(const orcus::sax::parser_element &e)
    {
        if (!m_sawRoot) {
            m_sawRoot = true;
            isWorkbook = is(e.name, "workbook");
        }
        if (is(e.name, "workbookPr"))
            date1904 = m_date1904;
        else if (is(e.name, "sheet"))
            sheetIds.push_back(m_id);
        m_date1904 = false;
        m_id.clear();
    }

private:
    bool m_date1904 = false, m_sawRoot = false;
    std::string m_id;
};

// The workbook's shared strings as the part holds them. Each is made text
// when a cell first asks for it: the table serves every sheet of the workbook,
// and a reader may leave columns out.
class SharedStrings {
public:
    void add(std::string_view utf8)
    {
        m_pool.append(utf8);
        m_ends.push_back(m_pool.size());
    }
    std::size_t size() const { return m_ends.size(); }
    QString text(std::size_t i)
    {
        const std::size_t start = i == 0 ? 0 : m_ends[i - 1];
        if (start == m_ends[i])
            return {};
        if (m_texts.size() != m_ends.size())
            m_texts.resize(m_ends.size()); // once, when the table is complete
        QString &text = m_texts[i]; // null until made: a string made from bytes is never null
        if (text.isNull())
            text = decodeEscapes(QString::fromUtf8(m_pool.data() + start, static_cast<qsizetype>(m_ends[i] - start)));
        return text;
    }

private:
    std::string m_pool; // the strings' UTF-8, one after the other
    std::vector<std::size_t> m_ends;
    std::vector<QString> m_texts;
};

class SharedStringsHandler : public orcus::sax_handler {
public:
    SharedStringsHandler(CellSink &sink, SharedStrings &strings) : m_sink(sink), m_strings(strings) {}

    void start_element(const orcus::sax::parser_element &e)
    {
        if (++m_elements % ElementsPerIdle == 0)
            stopUnless(m_sink.idle());
        if (is(e.name, "si"))
            m_text.clear();
        else if (is(e.name, "rPh"))
            m_phonetic = true; // the reading aid above the text, not the text
        else if (is(e.name, "t"))
            m_inText = !m_phonetic;
    }
    void end_element(const orcus::sax::parser_element &e)
    {
        if (is(e.name, "si"))
            m_strings.add(m_text);
        else if (is(e.name, "rPh"))
            m_phonetic = false;
        else if (is(e.name, "t"))
            m_inText = false;
    }
    void characters(std::string_view text, bool)
    {
        if (m_inText)
            m_text.append(text);
    }

private:
    CellSink &m_sink;
    SharedStrings &m_strings;
    std::string m_text;
    bool m_inText = false, m_phonetic = false;
    long m_elements = 0;
};

// What a cell holds: an Office Open XML cell's kind, from its t attribute,
// or (Made) its text already made, in UTF-16. Repeat stands in a record for
// rows that repeat the one before.
enum class CellKind : quint8 { Number, Shared, Inline, Text, Boolean, Date, Made, Repeat };

CellKind xlsxCell(std::string_view t)
{
    if (is(t, "s"))
        return CellKind::Shared;
    if (is(t, "inlineStr"))
        return CellKind::Inline;
    if (is(t, "str") || is(t, "e"))
        return CellKind::Text;
    if (is(t, "b"))
        return CellKind::Boolean;
    return is(t, "d") ? CellKind::Date : CellKind::Number;
}

// The shared string a cell's value names; a damaged file when it names none.
std::size_t sharedIndex(std::string_view value, const SharedStrings &strings)
{
    std::size_t index = 0;
    const char *end = value.data() + value.size();
    if (const auto plain = std::from_chars(value.data(), end, index); plain.ec != std::errc() || plain.ptr != end) {
        const auto written = number(value); // "1.0", " 1": unusual, but a number all the same
        if (!written || *written < 0 || *written >= static_cast<double>(strings.size()))
            failWith(Failure::Damaged);
        index = static_cast<std::size_t>(*written);
    }
    if (index >= strings.size())
        failWith(Failure::Damaged); // a shared string that is not there
    return index;
}

// A cell's text from its kind and what it holds: the text of an inline
// string, the content of its <v> otherwise.
QString textOf(CellKind type, std::string_view value, SharedStrings &strings, QDate origin)
{
    switch (type) {
    case CellKind::Made: {
        QString text(static_cast<qsizetype>(value.size() / sizeof(char16_t)), Qt::Uninitialized);
        std::memcpy(text.data(), value.data(), value.size()); // the bytes need not be aligned
        return text;
    }
    case CellKind::Shared:
        return strings.text(sharedIndex(value, strings));
    case CellKind::Inline:
    case CellKind::Text:
        return decodeEscapes(fromUtf8(value));
    case CellKind::Boolean:
        return value.empty() ? QString() : (is(value, "1") || is(value, "true")) ? u"TRUE"_s : u"FALSE"_s;
    case CellKind::Date:
        if (const auto serial = isoDateSerial(fromUtf8(value), origin))
            return shortestNumberText(*serial);
        return fromUtf8(value);
    case CellKind::Number:
        break;
    case CellKind::Repeat:
        return {};
    }
    if (value.empty())
        return {};
    if (shortestAlready(value))
        return QString::fromLatin1(value.data(), static_cast<qsizetype>(value.size()));
    const auto parsed = number(value);
    return parsed ? shortestNumberText(*parsed) : fromUtf8(value);
}

// The cells of a sheet's first columns as one pass read them, in the file's
// order and as the file holds them: the next pass hands them on from here
// rather than parsing the sheet again. Far smaller than the sheet's XML, and
// kept in blocks, which grow without being copied.
class SheetRecord {
public:
    SheetRecord(int columns, QDate origin) : columns(columns), origin(origin) {}
    const int columns;
    const QDate origin;

    void add(int row, int column, CellKind type, std::string_view value)
    {
        if (m_values.empty() || m_values.back().capacity() - m_values.back().size() < value.size()) {
            m_values.emplace_back();
            m_values.back().reserve(std::max(value.size(), ValueBlock));
        }
        m_values.back().append(value);
        m_cells.push_back({row, static_cast<quint32>(value.size()), static_cast<quint16>(column), type});
    }
    void add(int row, int column, const QString &text)
    {
        add(row, column, CellKind::Made,
            std::string_view(reinterpret_cast<const char *>(text.utf16()), sizeof(char16_t) * text.size()));
    }
    // Rows row + 1 to row + count hold the cells last added, those of `row`,
    // again: one entry however often a row repeats.
    void repeat(int row, int count)
    {
        m_cells.push_back({row, static_cast<quint32>(count), 0, CellKind::Repeat});
        m_repeats = true;
    }
    // Hands the cells on to the sink, making their text: as a pass over the
    // sheet would, as far as the recording pass read.
    void replay(CellSink &sink, SharedStrings &strings) const
    {
        const int kept = std::min(sink.keptColumns(), columns);
        auto block = m_values.begin();
        std::size_t at = 0;
        std::size_t count = 0;
        const auto look = [&] {
            if (++count % ElementsPerIdle == 0)
                stopUnless(sink.idle());
        };
        int row = -1;
        std::vector<std::pair<int, QString>> rowCells; // those handed on for `row`, where rows repeat
        for (const Cell &cell : m_cells) {
            if (cell.type == CellKind::Repeat) {
                for (quint32 i = 1; i <= cell.length; ++i) {
                    for (const auto &[column, text] : rowCells) {
                        look();
                        stopUnless(sink.cell(cell.row + static_cast<int>(i), column, text));
                    }
                }
                continue;
            }
            if (at + cell.length > block->size()) {
                ++block; // add() began a new block for this value
                at = 0;
            }
            const std::string_view value(block->data() + at, cell.length);
            at += cell.length;
            look();
            if (m_repeats && cell.row != row) {
                rowCells.clear();
                row = cell.row;
            }
            if (cell.column >= kept)
                continue;
            if (QString text = textOf(cell.type, value, strings, origin); !text.isEmpty()) {
                if (m_repeats)
                    rowCells.emplace_back(cell.column, text);
                stopUnless(sink.cell(cell.row, cell.column, std::move(text)));
            }
        }
    }

private:
    static constexpr std::size_t ValueBlock = 1024 * 1024;
    struct Cell {
        int row;
        quint32 length; // of its value, the next in the blocks
        quint16 column;
        CellKind type;
    };
    std::deque<Cell> m_cells;
    std::vector<std::string> m_values;
    bool m_repeats = false;
};

// A cell reference ("B7", "$B$7") as zero-based row and column.
std::optional<std::pair<int, int>> cellAt(std::string_view ref)
{
    const int column = referenceColumn(ref);
    const auto digits = ref.find_first_of("0123456789");
    if (column < 0 || digits == std::string_view::npos)
        return std::nullopt;
    const auto row = positiveInt(ref.substr(digits), MaxRows);
    if (!row)
        return std::nullopt;
    return std::pair{*row - 1, column};
}

class MergeCellsHandler : public orcus::sax_handler {
public:
    explicit MergeCellsHandler(MergedRanges &ranges) : m_ranges(ranges) {}
    void attribute(const orcus::sax::parser_attribute &a)
    {
        if (is(a.name, "ref"))
            m_ref.assign(a.value);
    }
    void start_element(const orcus::sax::parser_element &e)
    {
        if (is(e.name, "mergeCell")) {
            const std::string_view ref = m_ref;
            const auto colon = ref.find(':');
            const auto first = cellAt(ref.substr(0, colon));
            const auto last = colon == std::string_view::npos ? first : cellAt(ref.substr(colon + 1));
            if (first && last)
                m_ranges.add(first->first, first->second, last->first, last->second);
        }
        m_ref.clear();
    }

private:
    MergedRanges &m_ranges;
    std::string m_ref;
};

// Where a sheet's cells end: just past the closing tag of its sheetData
// (with or without a prefix), npos when there is none.
std::size_t afterSheetData(std::string_view xml)
{
    constexpr std::string_view Name = "sheetData";
    for (auto at = xml.rfind(Name); at != std::string_view::npos && at > 0; at = xml.rfind(Name, at - 1)) {
        auto start = at;
        if (xml[start - 1] == ':') {
            --start;
            while (start > 0 && xml[start - 1] != '<' && xml[start - 1] != '/' && xml[start - 1] != ' ')
                --start;
        }
        if (start >= 2 && xml.substr(start - 2, 2) == "</") {
            const auto close = xml.find('>', at);
            return close == std::string_view::npos ? close : close + 1;
        }
    }
    return std::string_view::npos;
}

// The merged ranges of a worksheet. Their list follows the cells in the
// part, while the cells are handed on as they are parsed: the elements
// after the cells are parsed first, on their own.
MergedRanges xlsxMergedRanges(const XmlPart &sheet, const std::string &name, int columns)
{
    MergedRanges ranges(columns);
    const std::string_view xml = sheet.text();
    const auto after = afterSheetData(xml);
    if (after == std::string_view::npos)
        return ranges;
    std::string_view rest = xml.substr(after);
    rest = rest.substr(0, rest.rfind("</")); // the root's end tag
    if (rest.find("mergeCell") == std::string_view::npos)
        return ranges;
    constexpr std::string_view Open = "<m>", Close = "</m>";
    XmlPart wrapped(Open.size() + rest.size() + Close.size());
    char *out = std::copy(Open.begin(), Open.end(), wrapped.data());
    out = std::copy(rest.begin(), rest.end(), out);
    std::copy(Close.begin(), Close.end(), out);
    MergeCellsHandler handler(ranges);
    parse(wrapped, handler, name);
    return ranges;
}

class XlsxSheetHandler : public orcus::sax_handler {
public:
    // With a record, the cells of its columns are also kept there.
    XlsxSheetHandler(CellSink &sink, SharedStrings &strings, QDate origin, SheetRecord *record, MergedRanges &merged)
        : m_sink(sink), m_strings(strings), m_origin(origin), m_keptColumns(std::min(sink.keptColumns(), MaxColumns)),
          m_record(record), m_merged(merged)
    {}

    void attribute(const orcus::sax::parser_attribute &a)
    {
        if (is(a.name, "r"))
            m_ref = kept(a, m_refCopy);
        else if (is(a.name, "t"))
            m_type = kept(a, m_typeCopy);
    }
    void start_element(const orcus::sax::parser_element &e)
    {
        if (++m_elements % ElementsPerIdle == 0)
            stopUnless(m_sink.idle());
        const std::string_view name = e.name;
        if (is(name, "sheetData")) {
            m_inData = true;
        } else if (m_inData && is(name, "row")) {
            const auto r = positiveInt(m_ref, MaxRows);
            m_row = r ? *r - 1 : m_row + 1;
            m_column = -1;
        } else if (m_inData && is(name, "c")) {
            const int column = referenceColumn(m_ref);
            m_column = column >= 0 ? column : m_column + 1;
            m_cellType = xlsxCell(m_type);
            m_value.clear();
            m_inline.clear();
        } else if (is(name, "v")) {
            m_collect = &m_value;
        } else if (is(name, "is")) {
            m_inInline = true;
        } else if (is(name, "rPh")) {
            m_phonetic = true;
        } else if (is(name, "t") && m_inInline && !m_phonetic) {
            m_collect = &m_inline;
        }
        m_ref = m_type = {};
    }
    void end_element(const orcus::sax::parser_element &e)
    {
        const std::string_view name = e.name;
        if (is(name, "v") || is(name, "t")) {
            m_collect = nullptr;
        } else if (is(name, "is")) {
            m_inInline = false;
        } else if (is(name, "rPh")) {
            m_phonetic = false;
        } else if (is(name, "c") && m_inData) {
            if (m_row >= 0 && m_column >= 0 && m_column < MaxColumns)
                endCell();
        } else if (is(name, "sheetData")) {
            throw PartDone{}; // the rest of the sheet holds no values
        }
    }
    void characters(std::string_view text, bool)
    {
        if (m_collect)
            m_collect->append(text);
    }

private:
    // An attribute's value where it stays until the element starts: in the
    // part itself, or copied when the parser made it in a buffer of its own.
    static std::string_view kept(const orcus::sax::parser_attribute &a, std::string &copy)
    {
        if (!a.transient)
            return a.value;
        copy.assign(a.value);
        return copy;
    }

    void endCell()
    {
        const std::string_view value = m_cellType == CellKind::Inline ? m_inline : m_value;
        // A cell that holds nothing has no text: the record leaves it out.
        if (value.empty())
            return;
        // Every shared string a cell names is checked, also where the cell is left out.
        const std::size_t shared = m_cellType == CellKind::Shared ? sharedIndex(value, m_strings) : 0;
        if (m_merged.hides(m_row, m_column))
            return;
        if (m_record && m_column < m_record->columns)
            m_record->add(m_row, m_column, m_cellType, value);
        if (m_column >= m_keptColumns)
            return;
        QString text =
            m_cellType == CellKind::Shared ? m_strings.text(shared) : textOf(m_cellType, value, m_strings, m_origin);
        if (!text.isEmpty())
            stopUnless(m_sink.cell(m_row, m_column, std::move(text)));
    }

    CellSink &m_sink;
    SharedStrings &m_strings;
    const QDate m_origin;
    const int m_keptColumns;
    SheetRecord *const m_record;
    MergedRanges &m_merged;
    std::string_view m_ref, m_type;
    std::string m_refCopy, m_typeCopy, m_value, m_inline;
    CellKind m_cellType = CellKind::Number;
    std::string *m_collect = nullptr;
    bool m_inData = false, m_inInline = false, m_phonetic = false;
    int m_row = -1, m_column = -1;
    long m_elements = 0;
};

// ---- OpenDocument -------------------------------------------------------

class ManifestHandler : public orcus::sax_handler {
public:
    bool encrypted = false;
    std::string mediaType; // of the document as a whole
    void attribute(const orcus::sax::parser_attribute &a)
    {
        if (is(a.name, "full-path"))
            m_path = a.value;
        else if (is(a.name, "media-type"))
            m_mediaType = a.value;
    }
    void start_element(const orcus::sax::parser_element &e)
    {
        if (is(e.name, "encryption-data"))
            encrypted = true;
        else if (is(e.name, "file-entry") && is(m_path, "/"))
            mediaType = m_mediaType;
        m_path.clear();
        m_mediaType.clear();
    }

private:
    std::string m_path, m_mediaType;
};

// PT12H30M15S, the form of an OpenDocument time value, as a fraction of a day.
std::optional<double> durationDays(const QString &text)
{
    static const QRegularExpression form(u"^-?P(?:(\\d+)D)?T?(?:(\\d+)H)?(?:(\\d+)M)?(?:([\\d.]+)S)?$"_s);
    const auto m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const double seconds = m.captured(1).toDouble() * 86400 + m.captured(2).toDouble() * 3600
                           + m.captured(3).toDouble() * 60 + m.captured(4).toDouble();
    return (text.startsWith(u'-') ? -seconds : seconds) / 86400;
}

class OdsContentHandler : public orcus::sax_handler {
public:
    // With a record, the cells of its columns are also kept there.
    OdsContentHandler(CellSink &sink, SheetRecord *record)
        : m_sink(sink), m_record(record), m_sinkColumns(std::min(sink.keptColumns(), MaxColumns)),
          m_keptColumns(std::max(m_sinkColumns, record ? record->columns : 0))
    {}
    bool sawTable = false;

    void attribute(const orcus::sax::parser_attribute &a)
    {
        // LibreOffice marks a formula's error so, beside an empty string
        // value: the cell shows the error's text.
        if (is(a.name, "value-type") && is(a.value, "error"))
            m_errorGiven = true;
        for (std::size_t i = 0; i < AttributeNames.size(); ++i) {
            if (a.name == AttributeNames[i]) {
                if (!m_given[i]) {
                    m_given[i] = true;
                    m_values[i].assign(a.value);
                }
                return;
            }
        }
    }
    void start_element(const orcus::sax::parser_element &e)
    {
        if (++m_elements % ElementsPerIdle == 0)
            stopUnless(m_sink.idle());
        const std::string_view name = e.name;
        if (is(name, "null-date")) {
            const QDate origin = QDate::fromString(fromUtf8(attribute(DateValue)).left(10), Qt::ISODate);
            if (origin.isValid())
                m_origin = origin;
        } else if (is(name, "table") && is(e.ns, "table")) {
            if (++m_tableDepth == 1)
                sawTable = true;
        } else if (m_tableDepth == 1 && is(name, "table-row")) {
            m_rowRepeat = positiveInt(attribute(RowsRepeated), MaxRows).value_or(1);
            m_rowCells.clear();
            m_rowRecorded = false;
            m_column = 0;
        } else if (m_tableDepth == 1 && (is(name, "table-cell") || is(name, "covered-table-cell"))) {
            m_inCell = true;
            m_covered = is(name, "covered-table-cell");
            m_error = m_errorGiven;
            m_cellRepeat = positiveInt(attribute(ColumnsRepeated), MaxColumns).value_or(1);
            m_valueType = attribute(ValueType);
            m_value = attribute(Value);
            m_dateValue = attribute(DateValue);
            m_timeValue = attribute(TimeValue);
            m_booleanValue = attribute(BooleanValue);
            m_stringValue = attribute(StringValue);
            m_hasStringValue = m_given[StringValue];
            m_text.clear();
            m_paragraphs = m_inParagraph = m_hidden = 0;
        } else if (m_inCell && hidden(e)) {
            ++m_hidden;
        } else if (m_inCell && !m_hidden) {
            if (is(name, "p") || is(name, "h")) {
                if (m_paragraphs++ > 0)
                    m_text += '\n';
                ++m_inParagraph;
            } else if (is(name, "s")) {
                const int spaces = positiveInt(attribute(Spaces), 1024).value_or(1);
                m_text.append(static_cast<std::size_t>(spaces), ' ');
            } else if (is(name, "tab")) {
                m_text += '\t';
            } else if (is(name, "line-break")) {
                m_text += '\n';
            }
        }
        m_given = {};
        m_errorGiven = false;
    }
    void end_element(const orcus::sax::parser_element &e)
    {
        const std::string_view name = e.name;
        if (is(name, "table") && is(e.ns, "table")) {
            if (--m_tableDepth == 0)
                throw PartDone{}; // the first sheet is complete
        } else if (m_tableDepth == 1 && (is(name, "table-cell") || is(name, "covered-table-cell"))) {
            endCell();
        } else if (m_inCell && hidden(e)) {
            --m_hidden;
        } else if (m_inCell && !m_hidden && (is(name, "p") || is(name, "h"))) {
            --m_inParagraph;
        } else if (m_tableDepth == 1 && is(name, "table-row")) {
            // A repeated row gives its cells again in every row it stands for:
            // a few bytes may stand for a sheet full of rows, which the record
            // keeps as one entry.
            const int again = m_row < MaxRows ? std::min(m_rowRepeat, MaxRows - m_row) - 1 : 0;
            if (again > 0 && m_rowRecorded)
                m_record->repeat(m_row, again);
            for (int i = 1; i <= again && !m_rowCells.empty(); ++i) {
                for (const auto &[column, text] : m_rowCells) {
                    if (++m_elements % ElementsPerIdle == 0)
                        stopUnless(m_sink.idle());
                    stopUnless(m_sink.cell(m_row + i, column, text));
                }
            }
            m_row = std::min(m_row + m_rowRepeat, MaxRows);
        }
    }
    void characters(std::string_view text, bool)
    {
        if (m_inCell && !m_hidden && m_inParagraph > 0)
            m_text.append(text);
    }

private:
    // What a cell holds besides its text: a comment, and the pictures and
    // shapes anchored to it with their names and descriptions.
    static bool hidden(const orcus::sax::parser_element &e)
    {
        return is(e.name, "annotation") || is(e.ns, "draw") || is(e.ns, "dr3d");
    }

    // The attributes read, by their local name. An element's first attribute
    // of a name counts: calcext:value-type repeats office:value-type.
    enum Attribute {
        ValueType,
        Value,
        DateValue,
        TimeValue,
        BooleanValue,
        StringValue,
        RowsRepeated,
        ColumnsRepeated,
        Spaces
    };
    static constexpr std::array<std::string_view, 9> AttributeNames{"value-type",
                                                                    "value",
                                                                    "date-value",
                                                                    "time-value",
                                                                    "boolean-value",
                                                                    "string-value",
                                                                    "number-rows-repeated",
                                                                    "number-columns-repeated",
                                                                    "c"};

    std::string_view attribute(Attribute which) const
    {
        return m_given[which] ? std::string_view(m_values[which]) : std::string_view();
    }
    QString cellText() const
    {
        if (m_error)
            return fromUtf8(m_text);
        if (is(m_valueType, "float") || is(m_valueType, "percentage") || is(m_valueType, "currency")) {
            const auto value = number(m_value);
            return value ? shortestNumberText(*value) : fromUtf8(m_text);
        }
        if (is(m_valueType, "date")) {
            const auto serial = isoDateSerial(fromUtf8(m_dateValue), m_origin);
            return serial ? shortestNumberText(*serial) : fromUtf8(m_text);
        }
        if (is(m_valueType, "time")) {
            const auto days = durationDays(fromUtf8(m_timeValue));
            return days ? shortestNumberText(*days) : fromUtf8(m_text);
        }
        if (is(m_valueType, "boolean"))
            return is(m_booleanValue, "true") ? u"TRUE"_s : u"FALSE"_s;
        if (is(m_valueType, "string") && m_hasStringValue)
            return fromUtf8(m_stringValue);
        return fromUtf8(m_text); // text, and formula errors as the cell shows them
    }
    // A covered cell lies under a merged range: whatever it still holds is hidden.
    void endCell()
    {
        m_inCell = false;
        const QString text = m_column < m_keptColumns && !m_covered ? cellText() : QString();
        if (!text.isEmpty() && m_row < MaxRows) {
            for (int i = 0; i < m_cellRepeat && m_column + i < m_keptColumns; ++i) {
                const int column = m_column + i;
                if (m_record && column < m_record->columns) {
                    m_record->add(m_row, column, text);
                    m_rowRecorded = true;
                }
                if (column >= m_sinkColumns)
                    continue;
                stopUnless(m_sink.cell(m_row, column, text));
                if (m_rowRepeat > 1)
                    m_rowCells.emplace_back(column, text);
            }
        }
        m_column = std::min(m_column + m_cellRepeat, MaxColumns);
    }

    CellSink &m_sink;
    SheetRecord *const m_record;
    const int m_sinkColumns, m_keptColumns;
    std::array<std::string, AttributeNames.size()> m_values;
    std::array<bool, AttributeNames.size()> m_given{};
    QDate m_origin{1899, 12, 30};
    int m_tableDepth = 0, m_hidden = 0, m_inParagraph = 0;
    int m_row = 0, m_column = 0, m_rowRepeat = 1, m_cellRepeat = 1, m_paragraphs = 0;
    bool m_inCell = false, m_hasStringValue = false, m_covered = false, m_error = false, m_errorGiven = false;
    bool m_rowRecorded = false;
    std::string m_valueType, m_value, m_dateValue, m_timeValue, m_booleanValue, m_stringValue, m_text;
    std::vector<std::pair<int, QString>> m_rowCells;
    long m_elements = 0;
};

// ---- the package --------------------------------------------------------

enum class Kind { Xlsx, Ods };

class ZipPackage : public Package {
    // The record takes the place of the sheet's XML, however its pass ends.
    auto releaseSheet()
    {
        return qScopeGuard([this] {
            m_sheet = {};
            m_unpacked = false;
        });
    }

public:
    // Reads the directory from the device, which stays open for the parts.
    explicit ZipPackage(std::unique_ptr<QIODevice> device) : m_device(std::move(device))
    {
        m_parts = readDirectory(*m_device);
        // Parts of a workbook's folder make the package a workbook: what it
        // then lacks was lost to damage, it does not make it another kind.
        m_workbookParts = std::any_of(m_parts.begin(), m_parts.end(),
                                      [](const auto &entry) { return entry.first.starts_with("xl/"); });
        if (m_workbookParts || (has("[Content_Types].xml") && (has("_rels/.rels") || has("xl/workbook.xml")))) {
            m_kind = Kind::Xlsx;
            locateXlsx();
        } else if (has("content.xml")) {
            ManifestHandler manifest;
            if (has("META-INF/manifest.xml"))
                parse(part("META-INF/manifest.xml"), manifest, "META-INF/manifest.xml");
            // A text document or a presentation says so; a package that
            // lost the words is read for its tables.
            std::string kind(part("mimetype", false).text());
            if (kind.empty())
                kind = manifest.mediaType;
            if (!kind.empty() && kind.find("spreadsheet") == std::string::npos)
                failWith(Failure::NotAWorkbook);
            if (manifest.encrypted)
                failWith(Failure::Encrypted);
            m_kind = Kind::Ods;
        } else {
            failWith(Failure::NotAWorkbook);
        }
    }

    void readFirstWorksheet(CellSink &sink, int recordColumns) override
    {
        if (m_record && recordColumns == 0 && sink.keptColumns() <= m_record->columns) {
            m_record->replay(sink, m_strings);
            return;
        }
        if (m_kind == Kind::Xlsx) {
            readXlsx(sink, recordColumns);
            return;
        }
        if (!m_unpacked) {
            m_sheet = part("content.xml", true, &sink);
            m_unpacked = true;
        }
        if (recordColumns > 0) {
            m_record.emplace(recordColumns, QDate());
            const auto release = releaseSheet();
            readOds(sink, &*m_record);
        } else {
            readOds(sink, nullptr);
        }
    }

private:
    // Packed bytes read at a time, and unpacked bytes made between two looks
    // at the sink: a few milliseconds of work each.
    static constexpr quint32 PackedChunk = 1024 * 1024;
    static constexpr quint32 UnpackedChunk = 8 * 1024 * 1024;

    bool has(const std::string &name) const { return m_parts.count(folded(name)) > 0; }

    // The part unpacked, its line ends as XML reads them.
    XmlPart part(const std::string &name, bool required = true, CellSink *sink = nullptr)
    {
        const auto it = m_parts.find(folded(name));
        if (it == m_parts.end()) {
            if (required)
                failWith(Failure::MissingPart, name);
            return {};
        }
        const Entry &entry = it->second;
        if (entry.size > LargestPart)
            failWith(Failure::TooLarge);
        if (entry.flags & 1)
            failWith(Failure::Damaged); // encrypted by the zip itself: no spreadsheet program writes that
        if (!m_device->seek(entry.header))
            failWith(Failure::Damaged);
        const QByteArray header = m_device->read(30);
        if (le(header, 0, 4) != 0x04034b50)
            failWith(Failure::Damaged);
        if (!m_device->seek(qint64(entry.header) + 30 + le(header, 26, 2) + le(header, 28, 2)))
            failWith(Failure::Damaged);
        if (sink)
            stopUnless(sink->idle());
        XmlPart xml(entry.size);
        if (entry.method == 0) {
            if (entry.packedSize != entry.size || m_device->read(xml.data(), entry.size) != entry.size)
                failWith(Failure::Damaged);
        } else if (entry.method == 8) {
            inflatePart(entry, xml, sink);
        } else {
            failWith(Failure::Damaged);
        }
        if (crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef *>(xml.data()), entry.size) != entry.crc)
            failWith(Failure::Damaged);
        xml.normaliseLineEnds();
        if (sink)
            stopUnless(sink->idle());
        return xml;
    }

    // Unpacks a deflated part, which must come to exactly its stated size.
    void inflatePart(const Entry &entry, XmlPart &xml, CellSink *sink)
    {
        z_stream stream{};
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
            throw std::bad_alloc();
        const std::unique_ptr<z_stream, int (*)(z_stream *)> end(&stream, inflateEnd);
        QByteArray packed;
        quint32 packedLeft = entry.packedSize;
        int result = Z_OK;
        while (result == Z_OK) {
            if (stream.avail_in == 0 && packedLeft > 0) {
                packed = m_device->read(std::min(packedLeft, PackedChunk));
                if (packed.isEmpty())
                    failWith(Failure::Damaged);
                packedLeft -= static_cast<quint32>(packed.size());
                stream.next_in = reinterpret_cast<Bytef *>(packed.data());
                stream.avail_in = static_cast<uInt>(packed.size());
            }
            // One byte beyond the stated size (into the padding) shows a
            // stream that runs longer.
            stream.next_out = reinterpret_cast<Bytef *>(xml.data() + stream.total_out);
            stream.avail_out = static_cast<uInt>(std::min<uLong>(entry.size + 1 - stream.total_out, UnpackedChunk));
            result = inflate(&stream, Z_NO_FLUSH);
            if (sink && result == Z_OK)
                stopUnless(sink->idle());
        }
        xml.clearPadding();
        if (result != Z_STREAM_END || stream.total_out != entry.size)
            failWith(Failure::Damaged);
    }

    void readOds(CellSink &sink, SheetRecord *record)
    {
        OdsContentHandler handler(sink, record);
        parse(m_sheet, handler, "content.xml");
        if (!handler.sawTable)
            failWith(Failure::NoWorksheet);
    }

    // Finds the first worksheet's part through the package's relationships,
    // before any sheet is unpacked: a file that holds none is refused at once.
    void locateXlsx()
    {
        std::string workbook = "xl/workbook.xml";
        bool named = false; // by the package's relationships
        if (has("_rels/.rels")) {
            RelsHandler root;
            parse(part("_rels/.rels"), root, "_rels/.rels");
            for (const auto &rel : root.inOrder) {
                if (endsWith(rel.type, "/officeDocument")) {
                    workbook = resolvePart("", rel.target);
                    named = true;
                }
            }
        }
        if (endsWith(folded(workbook), ".bin") || (!has(workbook) && has("xl/workbook.bin")))
            failWith(Failure::Binary);
        if (!has(workbook))
            failWith(named || m_workbookParts ? Failure::MissingPart : Failure::NotAWorkbook, workbook);
        WorkbookHandler book;
        parse(part(workbook), book, workbook);
        if (!book.isWorkbook)
            failWith(m_workbookParts ? Failure::Damaged : Failure::NotAWorkbook, m_workbookParts ? workbook : "");
        RelsHandler rels;
        if (has(relsOf(workbook)))
            parse(part(relsOf(workbook)), rels, relsOf(workbook));
        else if (!book.sheetIds.empty())
            failWith(Failure::MissingPart, relsOf(workbook));

        // The first sheet that is a worksheet (chart sheets hold no cells).
        for (const auto &id : book.sheetIds) {
            const auto rel = rels.byId.find(id);
            if (rel == rels.byId.end())
                failWith(Failure::Damaged, relsOf(workbook)); // a sheet listed without its part
            if (endsWith(rel->second.type, "/worksheet")) {
                m_sheetPart = resolvePart(workbook, rel->second.target);
                break;
            }
        }
        if (m_sheetPart.empty())
            failWith(Failure::NoWorksheet);
        if (!has(m_sheetPart))
            failWith(Failure::MissingPart, m_sheetPart);
        for (const auto &rel : rels.inOrder) {
            if (endsWith(rel.type, "/sharedStrings"))
                m_stringParts.push_back(resolvePart(workbook, rel.target));
        }
        m_origin = book.date1904 ? QDate(1904, 1, 1) : QDate(1899, 12, 30);
    }

    void readXlsx(CellSink &sink, int recordColumns)
    {
        // A second pass (the import's, after its check) finds the shared
        // strings and the sheet unpacked already.
        if (!m_unpacked) {
            for (const std::string &name : m_stringParts) {
                m_strings = {};
                SharedStringsHandler handler(sink, m_strings);
                parse(part(name, true, &sink), handler, name);
            }
            m_sheet = part(m_sheetPart, true, &sink);
            m_unpacked = true;
        }
        const int columns = std::min(std::max(sink.keptColumns(), recordColumns), MaxColumns);
        MergedRanges merged = xlsxMergedRanges(m_sheet, m_sheetPart, columns);
        if (recordColumns > 0) {
            m_record.emplace(recordColumns, m_origin);
            const auto release = releaseSheet();
            XlsxSheetHandler handler(sink, m_strings, m_origin, &*m_record, merged);
            parse(m_sheet, handler, m_sheetPart);
            return;
        }
        XlsxSheetHandler handler(sink, m_strings, m_origin, nullptr, merged);
        parse(m_sheet, handler, m_sheetPart);
    }

    bool m_unpacked = false;
    SharedStrings m_strings;
    XmlPart m_sheet;
    std::optional<SheetRecord> m_record;

    std::unique_ptr<QIODevice> m_device;
    std::map<std::string, Entry> m_parts;
    Kind m_kind = Kind::Xlsx;
    bool m_workbookParts = false; // the package holds parts in a workbook's folder
    std::string m_sheetPart; // the first worksheet's, of an .xlsx
    std::vector<std::string> m_stringParts;
    QDate m_origin;
};

} // namespace

bool looksLikeZip(QByteArrayView head) { return head.startsWith("PK\x03\x04") || head.startsWith("PK\x05\x06"); }

std::unique_ptr<Package> Package::openFile(const QString &path)
{
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        failWith(Failure::Damaged);
    return std::make_unique<ZipPackage>(std::move(file));
}

std::unique_ptr<Package> Package::openBytes(const QByteArray &bytes)
{
    // The buffer reads the caller's bytes where they are.
    class Bytes : public QBuffer {
    public:
        explicit Bytes(const QByteArray &bytes) : m_bytes(QByteArray::fromRawData(bytes.constData(), bytes.size()))
        {
            setBuffer(&m_bytes);
            open(QIODevice::ReadOnly);
        }

    private:
        QByteArray m_bytes;
    };
    return std::make_unique<ZipPackage>(std::make_unique<Bytes>(bytes));
}

} // namespace ZipBook
