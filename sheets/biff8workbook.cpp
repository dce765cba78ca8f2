#include "sheets/biff8workbook.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
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
constexpr quint16 kNumber = 0x0203;
constexpr quint16 kRk = 0x027E;
constexpr quint16 kWindow2 = 0x023E;

// Largest record body BIFF8 allows; longer data goes on in CONTINUE records.
constexpr int kMaxBody = 8224;
// A cell holds at most 32767 characters.
constexpr qsizetype kMaxCellText = 32767;

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
    void f64(double v)
    {
        quint64 bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        u32(static_cast<quint32>(bits & 0xFFFFFFFFu));
        u32(static_cast<quint32>(bits >> 32));
    }
    void utf16(const QChar *chars, qsizetype n)
    {
        for (qsizetype i = 0; i < n; ++i)
            u16(chars[i].unicode());
    }
    void utf16(const QString &s) { utf16(s.constData(), s.size()); }
    void record(quint16 type, const Bytes &body)
    {
        u16(type);
        u16(body.size());
        data.append(body.data);
    }
    int size() const { return static_cast<int>(data.size()); }
    void clear() { data.resize(0); }
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

[[noreturn]] void failWithErrno(const QString &reason) { throw SheetWriteError{errno != 0 ? errno : EIO, reason}; }

// A file that only this export sees: created beside the target and unlinked
// at once, so that the system removes it when it is closed, also when the
// program dies.
class ScratchFile {
public:
    explicit ScratchFile(const QString &folder)
    {
        // Named like an interrupted export's file, so that in the moment
        // before the unlink a crash leaves a name the next export removes.
        QByteArray pattern = QFile::encodeName(folder + u"/.export.xls.XXXXXX"_s);
        const int fd = mkstemp(pattern.data());
        if (fd < 0)
            failWithErrno(u"无法建立临时文件"_s);
        ::unlink(pattern.constData());
        m_file = fdopen(fd, "w+b");
        if (!m_file) {
            const int error = errno;
            ::close(fd);
            throw SheetWriteError{error, u"无法建立临时文件"_s};
        }
    }
    ~ScratchFile() { std::fclose(m_file); }
    ScratchFile(const ScratchFile &) = delete;
    ScratchFile &operator=(const ScratchFile &) = delete;

    void append(const char *data, std::size_t n)
    {
        if (n != 0 && std::fwrite(data, 1, n, m_file) != n)
            failWithErrno(u"无法写入临时文件"_s);
        m_size += n;
    }
    void append(const QByteArray &bytes) { append(bytes.constData(), static_cast<std::size_t>(bytes.size())); }
    quint64 size() const { return m_size; }

    // Bytes already appended, read back.
    void read(quint64 offset, char *out, std::size_t n)
    {
        if (std::fflush(m_file) != 0)
            failWithErrno(u"无法写入临时文件"_s);
        if (::pread(fileno(m_file), out, n, static_cast<off_t>(offset)) != static_cast<ssize_t>(n))
            failWithErrno(u"无法读取临时文件"_s);
    }
    // Overwrites bytes already appended.
    void patch(quint64 offset, const QByteArray &bytes)
    {
        if (std::fflush(m_file) != 0
            || ::pwrite(fileno(m_file), bytes.constData(), static_cast<size_t>(bytes.size()),
                        static_cast<off_t>(offset))
                   != bytes.size())
            failWithErrno(u"无法写入临时文件"_s);
    }
    void copyTo(GsfOutput *out)
    {
        if (std::fflush(m_file) != 0)
            failWithErrno(u"无法写入临时文件"_s);
        std::vector<char> chunk(256 * 1024);
        for (quint64 done = 0; done < m_size;) {
            const std::size_t n = static_cast<std::size_t>(std::min<quint64>(chunk.size(), m_size - done));
            read(done, chunk.data(), n);
            errno = 0;
            if (!gsf_output_write(out, n, reinterpret_cast<const guint8 *>(chunk.data())))
                failWithErrno(u"无法生成Excel文件"_s);
            done += n;
        }
    }

private:
    FILE *m_file = nullptr;
    quint64 m_size = 0;
};

// The shared string table (SST with its CONTINUE records, and the EXTSST
// index), written to a scratch file as the cells first use each text. Each
// text is stored once: a table of hashes (about 20 bytes per distinct text) finds
// an earlier one, whose characters, kept in a second scratch file, confirm
// it; the first few thousand texts met twice are kept whole, so that the
// repeated ones (items, prizes, factories) need no reading back.
class SharedStrings {
public:
    // streamOffset: where the SST record will start in the workbook stream;
    // expectedStrings: an upper bound of the distinct texts, for the index.
    SharedStrings(const QString &folder, quint32 streamOffset, std::size_t expectedStrings)
        : m_records(folder), m_texts(folder), m_streamOffset(streamOffset),
          m_bucketSize(static_cast<int>(std::max<std::size_t>(8, expectedStrings / 128 + 1)))
    {
        m_cur.u32(0); // total references and distinct texts, patched at the end
        m_cur.u32(0);
        m_index.u16(m_bucketSize);
        m_slots.resize(1024);
    }

    quint32 indexOf(const QString &text)
    {
        ++m_references;
        if (auto hot = m_hot.constFind(text); hot != m_hot.constEnd())
            return hot.value();
        const quint64 full = qHash(text, 0x9e3779b9u);
        const auto hash = static_cast<quint32>(full ^ (full >> 32));
        const std::size_t mask = m_slots.size() - 1;
        std::size_t i = hash & mask;
        for (; m_slots[i].indexPlusOne != 0; i = (i + 1) & mask) {
            const Slot &s = m_slots[i];
            if (s.hash == hash && storedEquals(s.indexPlusOne - 1, text)) {
                if (m_hot.size() < kHotTexts)
                    m_hot.insert(text, s.indexPlusOne - 1);
                return s.indexPlusOne - 1;
            }
        }
        const quint32 index = static_cast<quint32>(m_offsets.size());
        m_slots[i] = {hash, index + 1};
        m_offsets.push_back(m_texts.size());
        m_texts.append(reinterpret_cast<const char *>(text.constData()),
                       static_cast<std::size_t>(text.size()) * sizeof(QChar));
        if (m_offsets.size() * 10 > m_slots.size() * 7)
            grow();
        append(text, index);
        return index;
    }

    // Closes the table; afterwards size() and extSst() are final.
    void finish()
    {
        flush();
        Bytes counts;
        counts.u32(m_references);
        counts.u32(static_cast<quint32>(m_offsets.size()));
        m_records.patch(4, counts.data);
    }
    quint64 size() const { return m_records.size(); }
    const Bytes &extSst() const { return m_index; }
    void copyTo(GsfOutput *out) { m_records.copyTo(out); }

private:
    // A distinct text: its hash, which chose its place, and its index; 0
    // when free.
    struct Slot {
        quint32 hash = 0;
        quint32 indexPlusOne = 0;
    };
    static constexpr qsizetype kHotTexts = 4096;
    // The index may have as many entries as one record holds.
    static constexpr int kMaxIndexEntries = (kMaxBody - 2) / 8;

    bool storedEquals(quint32 index, const QString &text)
    {
        const quint64 start = m_offsets[index];
        const quint64 end = index + 1 < m_offsets.size() ? m_offsets[index + 1] : m_texts.size();
        if (end - start != static_cast<quint64>(text.size()) * sizeof(QChar))
            return false;
        m_compare.resize(static_cast<qsizetype>(end - start));
        m_texts.read(start, m_compare.data(), static_cast<std::size_t>(m_compare.size()));
        return std::memcmp(m_compare.constData(), text.constData(), static_cast<std::size_t>(m_compare.size())) == 0;
    }

    void grow()
    {
        std::vector<Slot> old(m_slots.size() * 2);
        old.swap(m_slots);
        const std::size_t mask = m_slots.size() - 1;
        for (const Slot &s : old) {
            if (s.indexPlusOne == 0)
                continue;
            std::size_t i = s.hash & mask;
            while (m_slots[i].indexPlusOne != 0)
                i = (i + 1) & mask;
            m_slots[i] = s;
        }
    }

    void flush()
    {
        Bytes header;
        header.u16(m_firstRecord ? kSst : kContinue);
        header.u16(m_cur.size());
        m_records.append(header.data);
        m_records.append(m_cur.data);
        m_firstRecord = false;
        m_cur.clear();
    }

    // A text's characters may run on into the next record, which then begins
    // with the option byte again; the text's header itself is never split.
    void append(const QString &s, quint32 index)
    {
        if (m_cur.size() + 3 + 2 > kMaxBody)
            flush();
        if (index % static_cast<quint32>(m_bucketSize) == 0 && m_indexEntries < kMaxIndexEntries) {
            m_index.u32(
                static_cast<quint32>(m_streamOffset + m_records.size() + 4 + static_cast<quint64>(m_cur.size())));
            m_index.u16(4 + m_cur.size());
            m_index.u16(0);
            ++m_indexEntries;
        }
        m_cur.u16(static_cast<int>(s.size()));
        m_cur.u8(1);
        qsizetype done = 0;
        while (done < s.size()) {
            const qsizetype room = (kMaxBody - m_cur.size()) / 2;
            if (room == 0) {
                flush();
                m_cur.u8(1);
                continue;
            }
            const qsizetype n = std::min(room, s.size() - done);
            m_cur.utf16(s.constData() + done, n);
            done += n;
        }
    }

    ScratchFile m_records;
    ScratchFile m_texts;
    quint32 m_streamOffset;
    int m_bucketSize;
    Bytes m_cur;
    Bytes m_index;
    int m_indexEntries = 0;
    bool m_firstRecord = true;
    quint32 m_references = 0;
    std::vector<Slot> m_slots;
    std::vector<quint64> m_offsets; // of each distinct text's characters in m_texts
    QHash<QString, quint32> m_hot;
    QByteArray m_compare;
};

// The workbook globals up to the sheet's entry, whose position is patched in
// once the shared strings are known.
Bytes workbookGlobals(const Worksheet &sheet, int *sheetOffsetAt)
{
    Bytes book;
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
    *sheetOffsetAt = book.size() + 4;
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
    return book;
}

// The sheet's records before its rows.
Bytes sheetHead(const Worksheet &sheet, std::size_t rowCount)
{
    const int columnCount = static_cast<int>(sheet.columns.size());
    Bytes ws;
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
    return ws;
}

Bytes sheetTail()
{
    Bytes ws;
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
    ws.record(kEof, Bytes());
    return ws;
}

// Rows go out in blocks of 32: the ROW records of a block, then its cells.
class RowBlocks {
public:
    RowBlocks(const Worksheet &sheet, ScratchFile &out) : m_sheet(sheet), m_out(out) {}

    void add(const std::vector<SheetCell> &cells, SharedStrings &strings)
    {
        const int r = static_cast<int>(m_rows++);
        {
            Bytes b;
            b.u16(r);
            b.u16(0);
            b.u16(static_cast<int>(cells.size()));
            b.u16(m_sheet.rowHeightPx * 15); // twips
            b.u16(0);
            b.u16(0);
            b.u32(0x0140u | (15u << 16)); // height set by hand
            m_rowRecords.record(kRow, b);
        }
        for (int c = 0; c < static_cast<int>(cells.size()); ++c) {
            Bytes b;
            b.u16(r);
            b.u16(c);
            const bool centred = r == 0 || m_sheet.columns[static_cast<size_t>(c)].centred;
            b.u16(centred ? kXfCentre : kXfLeft);
            const SheetCell &cell = cells[static_cast<size_t>(c)];
            if (const double *number = std::get_if<double>(&cell)) {
                // Whole numbers in 30 bits take the short form.
                const double v = *number;
                if (v == std::floor(v) && std::abs(v) < double(1 << 29)) {
                    b.u32((static_cast<quint32>(static_cast<qint32>(v)) << 2) | 0x2u);
                    m_cells.record(kRk, b);
                } else {
                    b.f64(v);
                    m_cells.record(kNumber, b);
                }
                continue;
            }
            const QString *text = std::get_if<QString>(&cell);
            // An empty cell is a formatted blank, as Excel writes it, not an
            // empty string.
            if (!text || text->isEmpty()) {
                m_cells.record(kBlank, b);
                continue;
            }
            b.u32(strings.indexOf(text->size() > kMaxCellText ? text->left(kMaxCellText) : *text));
            m_cells.record(kLabelSst, b);
        }
        if (m_rows % 32 == 0)
            flush();
    }
    void flush()
    {
        m_out.append(m_rowRecords.data);
        m_out.append(m_cells.data);
        m_rowRecords.clear();
        m_cells.clear();
    }
    std::size_t rows() const { return m_rows; }

private:
    const Worksheet &m_sheet;
    ScratchFile &m_out;
    std::size_t m_rows = 0;
    Bytes m_rowRecords;
    Bytes m_cells;
};

struct Unref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T> using GsfPtr = std::unique_ptr<T, Unref>;

} // namespace

void writeXlsFile(const QString &path, const Worksheet &sheet, SheetRows &rows, std::size_t expectedRows,
                  std::size_t rowLimit)
{
    const QString folder = QFileInfo(path).absolutePath();
    const std::size_t columns = sheet.columns.size();

    int sheetOffsetAt = 0;
    Bytes globals = workbookGlobals(sheet, &sheetOffsetAt);
    SharedStrings strings(folder, static_cast<quint32>(globals.size()), (expectedRows + 1) * columns);
    ScratchFile cellFile(folder);
    RowBlocks blocks(sheet, cellFile);

    std::vector<SheetCell> cells(columns);
    for (size_t c = 0; c < columns; ++c)
        cells[c] = sheet.columns[c].header;
    blocks.add(cells, strings);
    for (;;) {
        cells.assign(columns, SheetCell());
        if (!rows.next(cells))
            break;
        if (blocks.rows() >= rowLimit)
            throw SheetTooLong{};
        blocks.add(cells, strings);
    }
    blocks.flush();
    strings.finish();

    Bytes extSst;
    extSst.record(kExtSst, strings.extSst());
    const quint64 sheetOffset = static_cast<quint64>(globals.size()) + strings.size() + extSst.size() + 4;
    for (int i = 0; i < 4; ++i)
        globals.data[sheetOffsetAt + i] = static_cast<char>((sheetOffset >> (8 * i)) & 0xFF);
    Bytes head = sheetHead(sheet, blocks.rows());
    Bytes tail = sheetTail();
    Bytes eof;
    eof.record(kEof, Bytes());
    // Streams under 4096 bytes would go to the compound file's mini stream,
    // which some readers of workbooks do not expect; pad as Excel does.
    const quint64 streamSize = sheetOffset + head.size() + cellFile.size() + tail.size();
    // Positions in the stream are 32 bits wide.
    if (streamSize > 0xFFFFFFFFu)
        throw SheetWriteError{0, u"超过Excel 97-2003工作簿的大小上限，请另存为Excel 2007文件(*.xlsx)"_s};
    if (streamSize < 4096)
        tail.data.append(QByteArray(static_cast<qsizetype>(4096 - streamSize), '\0'));

    static const bool gsfReady = (gsf_init(), true);
    Q_UNUSED(gsfReady);
    FILE *file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file)
        failWithErrno(u"无法建立文件"_s);
    const std::unique_ptr<FILE, int (*)(FILE *)> closeFile(file, &std::fclose);
    {
        const GsfPtr<GsfOutput> sink(gsf_output_stdio_new_FILE(path.toUtf8().constData(), file, TRUE));
        const GsfPtr<GsfOutfile> container(sink ? gsf_outfile_msole_new(sink.get()) : nullptr);
        if (!container)
            failWithErrno(u"无法生成Excel文件"_s);
        const GsfPtr<GsfOutput> workbook(gsf_outfile_new_child(container.get(), "Workbook", FALSE));
        if (!workbook)
            failWithErrno(u"无法生成Excel文件"_s);
        auto write = [&](const Bytes &b) {
            errno = 0;
            if (!gsf_output_write(workbook.get(), static_cast<size_t>(b.size()),
                                  reinterpret_cast<const guint8 *>(b.data.constData())))
                failWithErrno(u"无法生成Excel文件"_s);
        };
        write(globals);
        strings.copyTo(workbook.get());
        write(extSst);
        write(eof);
        write(head);
        cellFile.copyTo(workbook.get());
        write(tail);
        errno = 0;
        if (!gsf_output_close(workbook.get()) || !gsf_output_close(GSF_OUTPUT(container.get())))
            failWithErrno(u"无法生成Excel文件"_s);
    }
    errno = 0;
    if (std::fflush(file) != 0 || fsync(fileno(file)) != 0)
        failWithErrno(u"无法写入文件"_s);
}
