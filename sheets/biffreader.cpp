#include "sheets/biffreader.h"

#include "base/codepagetext.h"
#include "sheets/rosterreader.h"

#include <cstring>
#include <vector>

using namespace Qt::StringLiterals;

namespace Biff {
namespace {

enum : quint16 {
    BOF2 = 0x0009,
    BOF3 = 0x0209,
    BOF4 = 0x0409,
    BOF58 = 0x0809,
    EOFREC = 0x000A,
    CONTINUE = 0x003C,
    CODEPAGE = 0x0042,
    FILEPASS = 0x002F,
    BOUNDSHEET = 0x0085,
    SST = 0x00FC,
    MERGEDCELLS = 0x00E5,
    INTEGER2 = 0x0002,
    NUMBER2 = 0x0003,
    LABEL2 = 0x0004,
    BOOLERR2 = 0x0005,
    FORMULA = 0x0006,
    STRING2 = 0x0007,
    NUMBER = 0x0203,
    LABEL = 0x0204,
    RSTRING = 0x00D6,
    LABELSST = 0x00FD,
    RK = 0x027E,
    MULRK = 0x00BD,
    BOOLERR = 0x0205,
    FORMULA3 = 0x0206,
    FORMULA4 = 0x0406,
    STRING = 0x0207,
};

constexpr quint16 WorkbookGlobals = 0x0005;
constexpr int DefaultCodePage = 936;

[[noreturn]] void corrupt() { throw Error{Failure::Corrupt}; }

bool isBof(quint16 type) { return type == BOF2 || type == BOF3 || type == BOF4 || type == BOF58; }

quint16 le16(const char *p) { return static_cast<quint16>(static_cast<quint8>(p[0]) | static_cast<quint8>(p[1]) << 8); }

// Record data read across the CONTINUE records that carry its overflow.
// Every read is checked; running off the end means the file is damaged.
class Bytes {
public:
    explicit Bytes(std::vector<QByteArrayView> segments) : m_segments(std::move(segments)) {}

    quint8 u8()
    {
        advanceIfExhausted();
        return static_cast<quint8>(m_segments[m_seg][m_off++]);
    }
    quint16 u16()
    {
        const quint16 lo = u8();
        return static_cast<quint16>(lo | u8() << 8);
    }
    quint32 u32()
    {
        const quint32 lo = u16();
        return lo | static_cast<quint32>(u16()) << 16;
    }
    double f64()
    {
        const quint64 lo = u32();
        const quint64 bits = lo | static_cast<quint64>(u32()) << 32;
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    void skip(quint32 count)
    {
        while (count > 0) {
            advanceIfExhausted();
            const auto step = std::min<qsizetype>(count, m_segments[m_seg].size() - m_off);
            m_off += step;
            count -= static_cast<quint32>(step);
        }
    }
    QByteArray raw(quint32 count)
    {
        QByteArray out;
        out.reserve(std::min<qsizetype>(count, 65536));
        while (count-- > 0)
            out.append(static_cast<char>(u8()));
        return out;
    }
    // Characters of a BIFF8 string. Where the characters run on into the next
    // CONTINUE record, that record starts with a fresh option byte telling
    // whether the rest is stored in one or two bytes per character.
    QString chars(quint32 count, bool wide)
    {
        QString out;
        out.reserve(std::min<qsizetype>(count, 65536));
        while (count-- > 0) {
            if (m_off == m_segments[m_seg].size() && m_seg + 1 < m_segments.size()) {
                ++m_seg;
                m_off = 0;
                wide = u8() & 1;
            }
            out.append(QChar(wide ? u16() : u8()));
        }
        return out;
    }
    bool atEnd()
    {
        while (m_off == m_segments[m_seg].size() && m_seg + 1 < m_segments.size()) {
            ++m_seg;
            m_off = 0;
        }
        return m_off == m_segments[m_seg].size();
    }

private:
    void advanceIfExhausted()
    {
        while (m_off == m_segments[m_seg].size()) {
            if (m_seg + 1 >= m_segments.size())
                corrupt();
            ++m_seg;
            m_off = 0;
        }
    }

    std::vector<QByteArrayView> m_segments;
    std::size_t m_seg = 0;
    qsizetype m_off = 0;
};

struct Record {
    quint16 type = 0;
    QByteArrayView data;
};

class Records {
public:
    Records(const QByteArray &stream, qsizetype pos) : m_stream(stream), m_pos(pos)
    {
        if (pos < 0 || pos > stream.size())
            corrupt();
    }
    // False at the end of the stream; a record running past it is damage.
    bool next(Record &record)
    {
        if (m_pos == m_stream.size())
            return false;
        if (m_stream.size() - m_pos < 4)
            corrupt();
        const char *p = m_stream.constData() + m_pos;
        const quint16 length = le16(p + 2);
        if (length > m_stream.size() - m_pos - 4)
            corrupt();
        record = {le16(p), QByteArrayView(p + 4, length)};
        m_pos += 4 + length;
        return true;
    }
    // The record's data followed by the CONTINUE records right after it.
    Bytes withContinues(const Record &record)
    {
        std::vector<QByteArrayView> segments{record.data};
        while (m_stream.size() - m_pos >= 4 && le16(m_stream.constData() + m_pos) == CONTINUE) {
            Record more;
            next(more);
            segments.push_back(more.data);
        }
        return Bytes(std::move(segments));
    }

private:
    const QByteArray &m_stream;
    qsizetype m_pos;
};

void put(CellSink &sink, int row, int column, QString text)
{
    if (!sink.cell(row, column, std::move(text)))
        throw ReadingStopped{};
}

// Records between two looks at the sink's idle(): a few milliseconds of work.
constexpr int RecordsPerIdle = 4096;

// The merged ranges of the worksheet that starts at `start`. Its MERGEDCELLS
// records follow its cells: they are looked for first, over the record
// headers alone. Damage is left for the reading of the cells to report.
MergedRanges mergedRanges(const QByteArray &stream, qsizetype start, int columns)
{
    MergedRanges ranges(columns);
    try {
        Records records(stream, start);
        Record r;
        int depth = 0; // 1 inside the worksheet, more inside an embedded chart
        while (records.next(r)) {
            if (isBof(r.type)) {
                ++depth;
            } else if (r.type == EOFREC) {
                if (--depth <= 0)
                    break;
            } else if (depth == 1 && r.type == MERGEDCELLS && r.data.size() >= 2) {
                const char *p = r.data.data();
                const qsizetype count = std::min<qsizetype>(le16(p), (r.data.size() - 2) / 8);
                for (qsizetype i = 0; i < count; ++i) {
                    const char *range = p + 2 + 8 * i; // first row, last row, first column, last column
                    ranges.add(le16(range), le16(range + 4), le16(range + 2), le16(range + 6));
                }
            }
        }
    } catch (const Error &) {
    }
    return ranges;
}

// Hands on the cells that no merged range hides.
class UnmergedCells : public CellSink {
public:
    UnmergedCells(CellSink &sink, MergedRanges &ranges) : m_sink(sink), m_ranges(ranges) {}
    bool cell(int row, int column, QString text) override
    {
        return m_ranges.hides(row, column) || m_sink.cell(row, column, std::move(text));
    }
    bool idle() override { return m_sink.idle(); }
    int keptColumns() const override { return m_sink.keptColumns(); }

private:
    CellSink &m_sink;
    MergedRanges &m_ranges;
};

double rkValue(quint32 rk)
{
    double value;
    if (rk & 2) {
        value = static_cast<double>(static_cast<qint32>(rk) >> 2);
    } else {
        const quint64 bits = static_cast<quint64>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 1) ? value / 100.0 : value;
}

QString boolErrText(quint8 value, bool isError)
{
    if (!isError)
        return value ? u"TRUE"_s : u"FALSE"_s;
    switch (value) {
    case 0x00:
        return u"#NULL!"_s;
    case 0x07:
        return u"#DIV/0!"_s;
    case 0x0F:
        return u"#VALUE!"_s;
    case 0x17:
        return u"#REF!"_s;
    case 0x1D:
        return u"#NAME?"_s;
    case 0x24:
        return u"#NUM!"_s;
    default:
        return u"#N/A"_s;
    }
}

struct Reader {
    int version = 8; // 2, 3, 4, 5 or 8
    int codePage = DefaultCodePage;
    std::vector<QString> sst;

    QString unicodeString(Bytes &b, bool shortLength)
    {
        const quint32 count = shortLength ? b.u8() : b.u16();
        const quint8 options = b.u8();
        const quint32 runs = (options & 0x08) ? b.u16() : 0;
        const quint32 extra = (options & 0x04) ? b.u32() : 0;
        QString text = b.chars(count, options & 0x01);
        b.skip(runs * 4);
        b.skip(extra);
        return text;
    }
    QString byteString(Bytes &b, bool shortLength)
    {
        const quint32 count = shortLength ? b.u8() : b.u16();
        return decodeCodePage(b.raw(count), codePage);
    }
    QString labelText(Bytes &b) { return version == 8 ? unicodeString(b, false) : byteString(b, false); }

    void readSst(Bytes b)
    {
        b.u32(); // total references
        const quint32 unique = b.u32();
        sst.reserve(std::min<quint32>(unique, 1u << 16));
        for (quint32 i = 0; i < unique && !b.atEnd(); ++i)
            sst.push_back(unicodeString(b, false));
    }

    // Workbook globals: code page, shared strings, and where the first worksheet starts.
    qsizetype readGlobals(const QByteArray &stream)
    {
        Records records(stream, 0);
        Record r;
        qsizetype firstSheet = -1;
        bool first = true, sawSheet = false;
        while (records.next(r)) {
            if (first) {
                first = false;
                if (r.type != BOF58 || r.data.size() < 4)
                    corrupt();
                version = le16(r.data.data()) == 0x0600 ? 8 : 5;
                if (le16(r.data.data() + 2) != WorkbookGlobals)
                    return 0; // a lone worksheet stream
                continue;
            }
            switch (r.type) {
            case EOFREC:
                // Every workbook lists at least one sheet: a list without
                // any is damage, one without a worksheet a chart workbook.
                if (firstSheet < 0)
                    throw Error{sawSheet ? Failure::NoWorksheet : Failure::Corrupt};
                return firstSheet;
            case FILEPASS:
                throw Error{Failure::Encrypted};
            case CODEPAGE:
                if (r.data.size() >= 2)
                    codePage = le16(r.data.data());
                break;
            case BOUNDSHEET:
                if (r.data.size() < 6)
                    corrupt();
                sawSheet = true;
                if (firstSheet < 0 && static_cast<quint8>(r.data[5]) == 0) {
                    Bytes b({r.data});
                    firstSheet = b.u32();
                }
                break;
            case SST:
                readSst(records.withContinues(r));
                break;
            default:
                break;
            }
        }
        corrupt(); // no end of the globals
    }

    void readSheet(const QByteArray &stream, qsizetype start, CellSink &sink)
    {
        MergedRanges merged = mergedRanges(stream, start, sink.keptColumns());
        UnmergedCells unmerged(sink, merged);
        CellSink &cells = merged.empty() ? sink : unmerged;
        Records records(stream, start);
        Record r;
        if (!records.next(r) || !isBof(r.type))
            corrupt();
        int nested = 0;
        int stringRow = -1, stringCol = -1; // formula awaiting its STRING record
        int sinceIdle = 0;
        while (records.next(r)) {
            if (++sinceIdle == RecordsPerIdle) {
                sinceIdle = 0;
                if (!cells.idle())
                    throw ReadingStopped{};
            }
            if (isBof(r.type)) {
                ++nested; // an embedded chart: not ours
                continue;
            }
            if (r.type == EOFREC) {
                if (nested-- == 0)
                    return;
                continue;
            }
            if (nested > 0)
                continue;
            if (r.type == FILEPASS)
                throw Error{Failure::Encrypted};
            if (r.type == CODEPAGE) {
                if (r.data.size() >= 2)
                    codePage = le16(r.data.data());
                continue;
            }
            if (r.type == STRING || r.type == STRING2) {
                Bytes b = records.withContinues(r);
                if (stringRow >= 0) {
                    const QString text = r.type == STRING2 ? byteString(b, true)
                                         : version == 8    ? unicodeString(b, false)
                                                           : byteString(b, false);
                    put(cells, stringRow, stringCol, text);
                }
                stringRow = -1;
                continue;
            }
            readCell(r, records, cells, stringRow, stringCol);
        }
        corrupt(); // the worksheet never ended: the file is cut short
    }

    void readCell(const Record &r, Records &records, CellSink &cells, int &stringRow, int &stringCol)
    {
        const bool biff2 = version == 2;
        switch (r.type) {
        case NUMBER:
        case RK:
        case LABEL:
        case RSTRING:
        case LABELSST:
        case BOOLERR:
        case FORMULA3:
        case FORMULA4:
        case MULRK:
        case INTEGER2:
        case NUMBER2:
        case LABEL2:
        case BOOLERR2:
        case FORMULA:
            break;
        default:
            return;
        }
        Bytes b = records.withContinues(r);
        const int row = b.u16();
        const int col = b.u16();
        // BIFF2 cells carry three attribute bytes where later versions have an XF index.
        const bool attrs =
            biff2
            && (r.type == INTEGER2 || r.type == NUMBER2 || r.type == LABEL2 || r.type == BOOLERR2 || r.type == FORMULA);
        if (r.type != MULRK)
            b.skip(attrs ? 3 : 2);
        switch (r.type) {
        case INTEGER2:
            put(cells, row, col, shortestNumberText(b.u16()));
            break;
        case NUMBER2:
        case NUMBER:
            put(cells, row, col, shortestNumberText(b.f64()));
            break;
        case RK:
            put(cells, row, col, shortestNumberText(rkValue(b.u32())));
            break;
        case MULRK: {
            const qsizetype pairs = (r.data.size() - 6) / 6;
            for (qsizetype i = 0; i < pairs; ++i) {
                b.skip(2);
                put(cells, row, col + static_cast<int>(i), shortestNumberText(rkValue(b.u32())));
            }
            break;
        }
        case LABEL2:
            put(cells, row, col, byteString(b, true));
            break;
        case LABEL:
        case RSTRING:
            put(cells, row, col, labelText(b));
            break;
        case LABELSST: {
            const quint32 index = b.u32();
            if (index >= sst.size())
                corrupt();
            put(cells, row, col, sst[index]);
            break;
        }
        case BOOLERR2:
        case BOOLERR: {
            const quint8 value = b.u8();
            put(cells, row, col, boolErrText(value, b.u8() != 0));
            break;
        }
        default: { // the formulas: their cached result
            const QByteArray result = b.raw(8);
            if (static_cast<quint8>(result[6]) != 0xFF || static_cast<quint8>(result[7]) != 0xFF) {
                double value;
                std::memcpy(&value, result.constData(), sizeof value);
                put(cells, row, col, shortestNumberText(value));
                break;
            }
            const auto kind = static_cast<quint8>(result[0]);
            const auto value = static_cast<quint8>(result[2]);
            stringRow = -1;
            if (kind == 0) {
                stringRow = row;
                stringCol = col;
            } else if (kind == 1 || kind == 2) {
                put(cells, row, col, boolErrText(value, kind == 2));
            } else {
                put(cells, row, col, QString());
            }
            break;
        }
        }
    }
};

} // namespace

bool looksLikeBiff(const QByteArray &bytes)
{
    if (bytes.size() < 8)
        return false;
    const quint16 length = le16(bytes.constData() + 2);
    return isBof(le16(bytes.constData())) && length >= 4 && length <= 20;
}

void readFirstWorksheet(const QByteArray &stream, CellSink &cells)
{
    if (!looksLikeBiff(stream))
        corrupt();
    Reader reader;
    switch (le16(stream.constData())) {
    case BOF2:
        reader.version = 2;
        break;
    case BOF3:
        reader.version = 3;
        break;
    case BOF4:
        reader.version = 4;
        break;
    default:
        reader.readSheet(stream, reader.readGlobals(stream), cells);
        return;
    }
    // A standalone BIFF2-4 file is one sheet; only a worksheet holds a roster.
    const quint16 kind = le16(stream.constData() + 6);
    if (reader.version > 2 && kind != 0x0010)
        throw Error{Failure::NoWorksheet};
    reader.readSheet(stream, 0, cells);
}

} // namespace Biff
