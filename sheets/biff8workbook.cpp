#include "sheets/biff8workbook.h"

#include "base/errors.h"

#include <QHash>
#include <algorithm>

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-output.h>
#include <gsf/gsf-utils.h>

using namespace Qt::StringLiterals;

namespace {

// Record types.
constexpr quint16 kBof = 0x0809;
constexpr quint16 kEof = 0x000A;
constexpr quint16 kCodePage = 0x0042;
constexpr quint16 kWindow1 = 0x003D;
constexpr quint16 kDateMode = 0x0022;
constexpr quint16 kFont = 0x0031;
constexpr quint16 kXf = 0x00E0;
constexpr quint16 kStyle = 0x0293;
constexpr quint16 kBoundSheet = 0x0085;
constexpr quint16 kSst = 0x00FC;
constexpr quint16 kExtSst = 0x00FF;
constexpr quint16 kContinue = 0x003C;
constexpr quint16 kDimensions = 0x0200;
constexpr quint16 kColInfo = 0x007D;
constexpr quint16 kRow = 0x0208;
constexpr quint16 kLabelSst = 0x00FD;
constexpr quint16 kBlank = 0x0201;
constexpr quint16 kWindow2 = 0x023E;

// Largest record body BIFF8 allows; longer data goes on in CONTINUE records.
constexpr int kMaxBody = 8224;

// Colour indexes of the built-in palette.
constexpr quint16 kWhite = 0x09;
constexpr quint16 kRed = 0x0A;
constexpr quint16 kSystemBack = 0x41;

// Cell formats after the 16 that every workbook carries: left, centred.
constexpr quint16 kXfLeft = 16;
constexpr quint16 kXfCentre = 17;
// Font 4 does not exist in BIFF, so the fifth FONT record is font 5.
constexpr quint16 kCellFont = 5;

class Bytes {
public:
    QByteArray data;
    void u8(int v) { data.append(static_cast<char>(v & 0xFF)); }
    void u16(int v)
    {
        u8(v);
        u8(v >> 8);
    }
    void u32(quint32 v)
    {
        u16(static_cast<int>(v & 0xFFFF));
        u16(static_cast<int>(v >> 16));
    }
    void utf16(const QString &s)
    {
        for (QChar c : s)
            u16(c.unicode());
    }
    int size() const { return static_cast<int>(data.size()); }
};

class Stream {
public:
    Bytes out;
    void record(quint16 type, const Bytes &body)
    {
        out.u16(type);
        out.u16(body.size());
        out.data.append(body.data);
    }
    int size() const { return out.size(); }
};

Bytes bof(int type)
{
    Bytes b;
    b.u16(0x0600); // BIFF8
    b.u16(type);
    b.u16(0x0DBB);
    b.u16(0x07CC);
    b.u32(0);
    b.u32(6);
    return b;
}

Bytes font(int twips, bool bold, int colour, int charset, const QString &name)
{
    Bytes b;
    b.u16(twips);
    b.u16(bold ? 0x0001 : 0); // the old bold bit, which some readers still look at
    b.u16(colour);
    b.u16(bold ? 700 : 400);
    b.u16(0);
    b.u8(0);
    b.u8(0);
    b.u8(charset);
    b.u8(0);
    const QString n = name.left(255);
    b.u8(static_cast<int>(n.size()));
    b.u8(1);
    b.utf16(n);
    return b;
}

Bytes styleXf(int fontIndex, bool first)
{
    Bytes b;
    b.u16(fontIndex);
    b.u16(0);
    b.u16(0xFFF5); // locked, style, no parent
    b.u8(0x20); // general, bottom
    b.u8(0);
    b.u8(0);
    b.u8(first ? 0x00 : 0xF4);
    b.u32(0);
    b.u32(0);
    b.u16(0x40 | (kSystemBack << 7));
    return b;
}

Bytes defaultCellXf()
{
    Bytes b;
    b.u16(0);
    b.u16(0);
    b.u16(0x0001); // locked, parent style 0
    b.u8(0x20);
    b.u8(0);
    b.u8(0);
    b.u8(0);
    b.u32(0);
    b.u32(0);
    b.u16(0x40 | (kSystemBack << 7));
    return b;
}

Bytes colouredCellXf(bool centred)
{
    Bytes b;
    b.u16(kCellFont);
    b.u16(0);
    b.u16(0x0001);
    b.u8((centred ? 2 : 1) | (1 << 4)); // horizontal, vertically centred
    b.u8(0);
    b.u8(0);
    b.u8(0xF8); // font, alignment, borders, fill and protection are its own
    // Thin white lines on all four sides, solid fill.
    b.u32(0x1111u | (quint32(kWhite) << 16) | (quint32(kWhite) << 23));
    b.u32(quint32(kWhite) | (quint32(kWhite) << 7) | (1u << 26));
    b.u16(kRed | (kSystemBack << 7));
    return b;
}

// The shared string table with its CONTINUE records and the EXTSST index.
// A string's characters may run on into the next record, which then begins
// with the option byte again; the string header itself is never split.
void writeSharedStrings(Stream &stream, const QStringList &strings, int totalRefs)
{
    std::vector<Bytes> records;
    Bytes cur;
    cur.u32(static_cast<quint32>(totalRefs));
    cur.u32(static_cast<quint32>(strings.size()));
    const int bucketSize = std::max(8, static_cast<int>(strings.size()) / 128 + 1);
    Bytes index;
    index.u16(bucketSize);

    int recordStart = stream.size(); // absolute offset of the current record
    auto flush = [&] {
        recordStart += 4 + cur.size();
        records.push_back(cur);
        cur = Bytes();
    };
    for (int i = 0; i < strings.size(); ++i) {
        const QString &s = strings[i];
        if (cur.size() + 3 + (s.isEmpty() ? 0 : 2) > kMaxBody)
            flush();
        if (i % bucketSize == 0) {
            index.u32(static_cast<quint32>(recordStart + 4 + cur.size()));
            index.u16(4 + cur.size());
            index.u16(0);
        }
        cur.u16(static_cast<int>(s.size()));
        cur.u8(1);
        qsizetype done = 0;
        while (done < s.size()) {
            const qsizetype room = (kMaxBody - cur.size()) / 2;
            if (room == 0) {
                flush();
                cur.u8(1);
                continue;
            }
            const qsizetype n = std::min(room, s.size() - done);
            cur.utf16(s.mid(done, n));
            done += n;
        }
    }
    records.push_back(cur);
    for (size_t r = 0; r < records.size(); ++r)
        stream.record(r == 0 ? kSst : kContinue, records[r]);
    stream.record(kExtSst, index);
}

} // namespace

QByteArray biff8WorkbookStream(const Worksheet &sheet)
{
    const int columnCount = static_cast<int>(sheet.columns.size());
    const int rowCount = static_cast<int>(sheet.rows.size()) + 1;
    // A cell holds at most 32767 characters.
    auto cellText = [](const QString &s) { return s.left(32767); };

    // Shared strings in order of first use; each cell refers to one. An empty
    // cell is a formatted blank, as Excel writes it, not an empty string.
    constexpr int kNoText = -1;
    QStringList strings;
    QHash<QString, int> stringIndex;
    std::vector<std::vector<int>> cellRefs;
    cellRefs.reserve(static_cast<size_t>(rowCount));
    auto refer = [&](const QString &text) {
        const QString s = cellText(text);
        if (s.isEmpty())
            return kNoText;
        auto it = stringIndex.constFind(s);
        if (it != stringIndex.constEnd())
            return it.value();
        const int n = static_cast<int>(strings.size());
        strings.append(s);
        stringIndex.insert(s, n);
        return n;
    };
    {
        std::vector<int> refs;
        for (const Worksheet::Column &c : sheet.columns)
            refs.push_back(refer(c.header));
        cellRefs.push_back(std::move(refs));
    }
    for (const QStringList &row : sheet.rows) {
        std::vector<int> refs;
        for (int c = 0; c < columnCount; ++c)
            refs.push_back(refer(c < row.size() ? row[c] : QString()));
        cellRefs.push_back(std::move(refs));
    }

    // Workbook globals.
    Stream book;
    book.record(kBof, bof(0x0005));
    {
        Bytes b;
        b.u16(1200); // text is UTF-16
        book.record(kCodePage, b);
    }
    {
        Bytes b;
        b.u16(0);
        b.u16(0);
        b.u16(0x4000);
        b.u16(0x2000);
        b.u16(0x0038);
        b.u16(0);
        b.u16(0);
        b.u16(1);
        b.u16(0x0258);
        book.record(kWindow1, b);
    }
    {
        Bytes b;
        b.u16(0);
        book.record(kDateMode, b);
    }
    for (int i = 0; i < 4; ++i)
        book.record(kFont, font(200, false, 0x7FFF, 0, u"Arial"_s));
    // Points are three quarters of a pixel on a 96 dpi screen.
    book.record(kFont, font(sheet.fontPx * 15, true, kWhite, 0x86, sheet.fontName));
    for (int i = 0; i < 15; ++i)
        book.record(kXf, styleXf(0, i == 0));
    book.record(kXf, defaultCellXf());
    book.record(kXf, colouredCellXf(false));
    book.record(kXf, colouredCellXf(true));
    {
        Bytes b;
        b.u16(0x8000); // built-in style "Normal" on format 0
        b.u8(0);
        b.u8(0xFF);
        book.record(kStyle, b);
    }
    const int sheetOffsetAt = book.size() + 4; // where BOUNDSHEET's position goes
    {
        Bytes b;
        b.u32(0);
        b.u8(0);
        b.u8(0);
        const QString name = sheet.name.left(31);
        b.u8(static_cast<int>(name.size()));
        b.u8(1);
        b.utf16(name);
        book.record(kBoundSheet, b);
    }
    int references = 0;
    for (const std::vector<int> &refs : cellRefs)
        references += static_cast<int>(std::count_if(refs.begin(), refs.end(), [](int r) { return r != kNoText; }));
    writeSharedStrings(book, strings, references);
    book.record(kEof, Bytes());

    // Patch the sheet's position into BOUNDSHEET.
    const quint32 sheetOffset = static_cast<quint32>(book.size());
    for (int i = 0; i < 4; ++i)
        book.out.data[sheetOffsetAt + i] = static_cast<char>((sheetOffset >> (8 * i)) & 0xFF);

    // The sheet.
    Stream ws;
    ws.record(kBof, bof(0x0010));
    {
        Bytes b;
        b.u32(0);
        b.u32(static_cast<quint32>(rowCount));
        b.u16(0);
        b.u16(columnCount);
        b.u16(0);
        ws.record(kDimensions, b);
    }
    for (int c = 0; c < columnCount; ++c) {
        Bytes b;
        b.u16(c);
        b.u16(c);
        // Width in 1/256 of a character of the default font (7 pixels wide).
        b.u16(std::min(65535, sheet.columns[static_cast<size_t>(c)].widthPx * 256 / 7));
        b.u16(15);
        b.u16(0);
        b.u16(0);
        ws.record(kColInfo, b);
    }
    // Rows in blocks of 32: the ROW records of a block, then its cells.
    for (int first = 0; first < rowCount; first += 32) {
        const int last = std::min(rowCount, first + 32);
        for (int r = first; r < last; ++r) {
            Bytes b;
            b.u16(r);
            b.u16(0);
            b.u16(columnCount);
            b.u16(sheet.rowHeightPx * 15); // twips
            b.u16(0);
            b.u16(0);
            b.u32(0x0140u | (15u << 16)); // height set by hand
            ws.record(kRow, b);
        }
        for (int r = first; r < last; ++r) {
            const std::vector<int> &refs = cellRefs[static_cast<size_t>(r)];
            for (int c = 0; c < columnCount; ++c) {
                Bytes b;
                b.u16(r);
                b.u16(c);
                const bool centred = r == 0 || sheet.columns[static_cast<size_t>(c)].centred;
                b.u16(centred ? kXfCentre : kXfLeft);
                const int ref = refs[static_cast<size_t>(c)];
                if (ref == kNoText) {
                    ws.record(kBlank, b);
                } else {
                    b.u32(static_cast<quint32>(ref));
                    ws.record(kLabelSst, b);
                }
            }
        }
    }
    {
        Bytes b;
        b.u16(0x06B6);
        b.u16(0);
        b.u16(0);
        b.u16(0x40);
        b.u16(0);
        b.u16(0);
        b.u16(0);
        b.u32(0);
        ws.record(kWindow2, b);
    }
    ws.record(kEof, Bytes());

    QByteArray stream = book.out.data + ws.out.data;
    // Streams under 4096 bytes would go to the compound file's mini stream,
    // which some readers of workbooks do not expect; pad as Excel does.
    if (stream.size() < 4096)
        stream.append(QByteArray(4096 - stream.size(), '\0'));
    return stream;
}

QByteArray xlsFileBytes(const Worksheet &sheet)
{
    const QByteArray stream = biff8WorkbookStream(sheet);
    static const bool gsfReady = (gsf_init(), true);
    Q_UNUSED(gsfReady);
    GsfOutput *memory = gsf_output_memory_new();
    GsfOutfile *container = gsf_outfile_msole_new(memory);
    bool ok = container != nullptr;
    if (ok) {
        GsfOutput *workbook = gsf_outfile_new_child(container, "Workbook", FALSE);
        ok = workbook != nullptr
             && gsf_output_write(workbook, static_cast<size_t>(stream.size()),
                                 reinterpret_cast<const guint8 *>(stream.constData()));
        if (workbook) {
            ok = gsf_output_close(workbook) && ok;
            g_object_unref(workbook);
        }
        ok = gsf_output_close(GSF_OUTPUT(container)) && ok;
        g_object_unref(container);
    }
    QByteArray bytes;
    if (ok) {
        const gsf_off_t size = gsf_output_size(memory);
        const guint8 *data = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory));
        bytes = QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    }
    // Closing the container has closed its sink as well.
    if (!gsf_output_is_closed(memory))
        gsf_output_close(memory);
    g_object_unref(memory);
    if (!ok || bytes.isEmpty())
        throw AppError(u"无法生成Excel文件。"_s);
    return bytes;
}
