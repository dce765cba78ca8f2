#include "base/textcodec.h"

#include <cerrno>
#include <iconv.h>

namespace {

// Converts with iconv; bytes that cannot be converted are replaced rather than
// dropped. nullopt when iconv does not know one of the charsets.
std::optional<QByteArray> convert(const char *to, const char *from, QByteArrayView in, const QByteArray &replacement)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    QByteArray out;
    out.reserve(in.size() * 2 + 16);
    char buffer[4096];
    char *src = const_cast<char *>(in.data());
    size_t srcLeft = static_cast<size_t>(in.size());
    while (srcLeft > 0) {
        char *dst = buffer;
        size_t dstLeft = sizeof buffer;
        size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, static_cast<qsizetype>(dst - buffer));
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            // Invalid or truncated sequence: emit a replacement and skip one byte.
            out.append(replacement);
            ++src;
            --srcLeft;
        }
    }
    iconv_close(cd);
    return out;
}

} // namespace

std::optional<QString> decodeCharset(QByteArrayView bytes, const char *charset)
{
    const auto utf8 = convert("UTF-8", charset, bytes, QByteArray("\xEF\xBF\xBD"));
    if (!utf8)
        return std::nullopt;
    return QString::fromUtf8(*utf8);
}

namespace Gbk {

QString decode(const QByteArray &bytes) { return decodeCharset(bytes, "GBK").value_or(QString()); }

QByteArray encode(const QString &text)
{
    return convert("GBK", "UTF-8", text.toUtf8(), QByteArray("?")).value_or(QByteArray());
}

} // namespace Gbk
