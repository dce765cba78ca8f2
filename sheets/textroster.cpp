#include "sheets/textroster.h"

#include "sheets/rosterreader.h"
#include "base/textcodec.h"

#include <QStringDecoder>
#include <charconv>

using namespace Qt::StringLiterals;

namespace TextRoster {
namespace {

// Strict UTF-8: GBK text almost never passes, since its trail bytes are not
// UTF-8 continuation bytes in the right places.
bool isUtf8(const QByteArray &bytes)
{
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
    const auto *end = p + bytes.size();
    while (p < end) {
        const uchar c = *p++;
        int more = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 && c >= 0xC2 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 && c <= 0xF4 ? 3 : -1;
        if (more < 0 || end - p < more)
            return false;
        while (more-- > 0) {
            if ((*p++ & 0xC0) != 0x80)
                return false;
        }
    }
    return true;
}

bool startsWith(const QByteArray &bytes, const char *mark) { return bytes.startsWith(QByteArrayView(mark)); }

// Excel's reading of a number typed into a cell: plain decimals only.
bool plainNumber(const QString &field, double &value)
{
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

QString cellText(QString field)
{
    double value;
    return plainNumber(field, value) ? shortestNumberText(value) : field;
}

} // namespace

bool looksLikeText(const QByteArray &bytes)
{
    if (startsWith(bytes, "\xFF\xFE") || startsWith(bytes, "\xFE\xFF"))
        return true;
    return !bytes.contains('\0');
}

QString decode(const QByteArray &bytes)
{
    if (startsWith(bytes, "\xFF\xFE"))
        return QStringDecoder(QStringDecoder::Utf16LE).decode(bytes.sliced(2));
    if (startsWith(bytes, "\xFE\xFF"))
        return QStringDecoder(QStringDecoder::Utf16BE).decode(bytes.sliced(2));
    if (startsWith(bytes, "\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.sliced(3));
    if (isUtf8(bytes))
        return QString::fromUtf8(bytes);
    return Gbk::decode(bytes);
}

SheetCells parse(const QString &text)
{
    SheetCells cells;
    int row = 0, column = 0;
    QString field;
    bool quoted = false;     // inside a quoted field
    bool fieldStart = true;  // nothing of the field read yet
    const auto endField = [&] {
        if (!field.isEmpty())
            cells.set(row, column, cellText(field));
        field.clear();
        fieldStart = true;
    };
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < n && text[i + 1] == u'"') {
                    field.append(c);
                    ++i;
                } else {
                    quoted = false;
                }
            } else if (c == u'\r' || c == u'\n') {
                quoted = false; // a quote never carries a field over a line end
                --i;
            } else {
                field.append(c);
            }
            continue;
        }
        if (c == u'\t') {
            endField();
            ++column;
        } else if (c == u'\r' || c == u'\n') {
            endField();
            if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i;
            ++row;
            column = 0;
        } else if (c == u'"' && fieldStart) {
            quoted = true;
            fieldStart = false;
        } else {
            field.append(c);
            fieldStart = false;
        }
    }
    endField();
    return cells;
}

} // namespace TextRoster
