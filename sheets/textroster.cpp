#include "sheets/textroster.h"

#include "sheets/rosterreader.h"
#include "base/textcodec.h"

#include <QStringDecoder>
#include <charconv>
#include <optional>

using namespace Qt::StringLiterals;

namespace TextRoster {
namespace {

constexpr qint64 BlockSize = 64 * 1024;
// Columns beyond the roster's four are skipped without keeping their text.
constexpr int KeptColumns = 4;
// Excel's own limit for the text of one cell; a longer field is cut there,
// so that one endless field cannot fill the memory.
constexpr qsizetype LongestField = 32767;

enum class Encoding { Utf16LE, Utf16BE, Utf8, Gbk };

bool startsWith(QByteArrayView bytes, const char *mark) { return bytes.startsWith(QByteArrayView(mark)); }

// Excel's reading of a number typed into a cell: plain decimals only.
bool plainNumber(const QString &field, double &value)
{
    if (field.isEmpty() || field.size() > 64)
        return false;
    const QByteArray latin = field.toLatin1();
    const char *p = latin.constData();
    const char *end = p + latin.size();
    if (p != end && (*p == '+' || *p == '-'))
        ++p;
    int digits = 0, significant = 0;
    bool point = false;
    for (; p != end && ((*p >= '0' && *p <= '9') || (*p == '.' && !point)); ++p) {
        if (*p == '.') {
            point = true;
            continue;
        }
        ++digits;
        if (*p != '0' || significant > 0)
            ++significant;
    }
    if (digits == 0 || significant > 15)
        return false;
    if (p != end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p != end && (*p == '+' || *p == '-'))
            ++p;
        const char *exponent = p;
        while (p != end && *p >= '0' && *p <= '9')
            ++p;
        if (p == exponent)
            return false;
    }
    if (p != end || field.size() != latin.size())
        return false;
    const char *first = latin.constData() + (latin.startsWith('+') ? 1 : 0);
    const auto result = std::from_chars(first, end, value);
    return result.ec == std::errc() && result.ptr == end;
}

// GB18030 is GBK with four-byte sequences for the characters GBK lacks, some
// of them in names (U+20000 and the other rare ideographs).
QString decodeGb18030(const QByteArray &bytes)
{
    if (auto text = decodeCharset(bytes, "GB18030"))
        return *std::move(text);
    return Gbk::decode(bytes);
}

// Where a block of GBK/GB18030 bytes may be cut without splitting a character.
qsizetype completeGbk(QByteArrayView bytes)
{
    qsizetype i = 0;
    const qsizetype n = bytes.size();
    while (i < n) {
        const auto c = static_cast<uchar>(bytes[i]);
        if (c < 0x81 || c == 0xFF) {
            ++i;
            continue;
        }
        if (i + 1 >= n)
            return i;
        const auto second = static_cast<uchar>(bytes[i + 1]);
        const qsizetype length = second >= 0x30 && second <= 0x39 ? 4 : 2;
        if (i + length > n)
            return i;
        i += length;
    }
    return n;
}

void idle(CellSink &sink)
{
    if (!sink.idle())
        throw ReadingStopped{};
}

Encoding detect(QIODevice &device, CellSink &sink)
{
    const QByteArray head = device.peek(3);
    if (startsWith(head, "\xFF\xFE"))
        return Encoding::Utf16LE;
    if (startsWith(head, "\xFE\xFF"))
        return Encoding::Utf16BE;
    if (startsWith(head, "\xEF\xBB\xBF"))
        return Encoding::Utf8;
    // Valid UTF-8 throughout, or GBK: GBK text almost never passes, since its
    // trail bytes are not UTF-8 continuation bytes in the right places.
    QStringDecoder utf8(QStringDecoder::Utf8);
    while (!device.atEnd()) {
        const QByteArray block = device.read(BlockSize);
        if (block.isEmpty())
            break;
        (void)QString(utf8.decode(block));
        if (utf8.hasError())
            return Encoding::Gbk;
        idle(sink);
    }
    (void)QString(utf8.decode(QByteArrayView())); // a sequence cut off at the end
    return utf8.hasError() ? Encoding::Gbk : Encoding::Utf8;
}

// Splits decoded text into cells; its state carries over from block to block.
class Splitter {
public:
    Splitter(Dialect dialect, CellSink &sink)
        : m_separator(dialect == Dialect::Commas ? u',' : u'\t'), m_quotedLineBreaks(dialect == Dialect::Commas),
          m_sink(sink)
    {}

    void feed(QStringView text)
    {
        for (const QChar c : text) {
            if (m_afterCr) {
                m_afterCr = false;
                if (c == u'\n')
                    continue;
            }
            if (c.isNull())
                continue; // NUL characters are dropped, wherever they stand
            if (m_quoted) {
                if (m_quoteInQuotes) {
                    m_quoteInQuotes = false;
                    if (c == u'"') {
                        append(c);
                        continue;
                    }
                    m_quoted = false; // the closing quote; c is read as outside
                } else if (c == u'"') {
                    m_quoteInQuotes = true;
                    continue;
                } else if (c == u'\r' || c == u'\n') {
                    if (m_quotedLineBreaks) {
                        append(u'\n');
                        m_afterCr = c == u'\r';
                        continue;
                    }
                    m_quoted = false; // a quote never carries a field over a line end
                } else {
                    append(c);
                    continue;
                }
            }
            if (c == m_separator) {
                endField();
                ++m_column;
            } else if (c == u'\r' || c == u'\n') {
                endField();
                ++m_row;
                m_column = 0;
                m_afterCr = c == u'\r';
            } else if (c == u'"' && m_fieldStart) {
                m_quoted = true;
                m_fieldStart = false;
            } else {
                append(c);
                m_fieldStart = false;
            }
        }
    }
    void finish() { endField(); }

private:
    void append(QChar c)
    {
        if (m_column < KeptColumns && m_field.size() < LongestField)
            m_field.append(c);
    }
    void endField()
    {
        if (!m_field.isEmpty() && m_column < KeptColumns) {
            if (!m_sink.cell(m_row, m_column, cellText(m_field)))
                throw ReadingStopped{};
        }
        m_field.clear();
        m_fieldStart = true;
        m_quoted = m_quoteInQuotes = false;
    }

    const QChar m_separator;
    const bool m_quotedLineBreaks;
    CellSink &m_sink;
    int m_row = 0, m_column = 0;
    QString m_field;
    bool m_quoted = false, m_quoteInQuotes = false, m_fieldStart = true, m_afterCr = false;
};

} // namespace

bool looksLikeText(QByteArrayView head)
{
    if (startsWith(head, "\xFF\xFE") || startsWith(head, "\xFE\xFF"))
        return true;
    // Text holds no control characters but tabs, line ends, form feeds and
    // the old end-of-file mark; a stray NUL is dropped rather than refused.
    qsizetype nuls = 0;
    for (const char ch : head) {
        const auto c = static_cast<uchar>(ch);
        if (c == 0)
            ++nuls;
        else if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v' && c != 0x1A && c != 0x1B)
            return false;
    }
    return nuls * 16 <= head.size();
}

QString cellText(const QString &field)
{
    double value;
    return plainNumber(field, value) ? shortestNumberText(value) : field;
}

void read(QIODevice &device, Dialect dialect, CellSink &sink)
{
    device.seek(0);
    const Encoding encoding = detect(device, sink);
    device.seek(0);
    std::optional<QStringDecoder> decoder;
    switch (encoding) {
    case Encoding::Utf16LE:
        decoder.emplace(QStringDecoder::Utf16LE);
        device.skip(2);
        break;
    case Encoding::Utf16BE:
        decoder.emplace(QStringDecoder::Utf16BE);
        device.skip(2);
        break;
    case Encoding::Utf8:
        decoder.emplace(QStringDecoder::Utf8);
        if (startsWith(device.peek(3), "\xEF\xBB\xBF"))
            device.skip(3);
        break;
    case Encoding::Gbk:
        break;
    }
    Splitter splitter(dialect, sink);
    QByteArray carry; // the start of a character cut by the block's end
    while (!device.atEnd()) {
        QByteArray block = device.read(BlockSize);
        if (block.isEmpty())
            break;
        if (decoder) {
            splitter.feed(QString(decoder->decode(block)));
        } else {
            block.prepend(carry);
            const qsizetype complete = device.atEnd() ? block.size() : completeGbk(block);
            carry = block.sliced(complete);
            splitter.feed(decodeGb18030(block.first(complete)));
        }
        idle(sink);
    }
    if (!carry.isEmpty())
        splitter.feed(decodeGb18030(carry));
    splitter.finish();
}

} // namespace TextRoster
