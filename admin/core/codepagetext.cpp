#include "admin/core/codepagetext.h"

#include "app/core/textcodec.h"

#include <QByteArray>
#include <cerrno>
#include <iconv.h>

namespace {

bool isAscii(QByteArrayView bytes)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

// Converts with iconv; returns false when the code page is unknown to it.
bool viaIconv(QByteArrayView bytes, const QByteArray &charset, QString &out)
{
    iconv_t cd = iconv_open("UTF-8", charset.constData());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    QByteArray utf8;
    char buffer[4096];
    char *src = const_cast<char *>(bytes.data());
    size_t left = static_cast<size_t>(bytes.size());
    while (left > 0) {
        char *dst = buffer;
        size_t room = sizeof buffer;
        const size_t r = iconv(cd, &src, &left, &dst, &room);
        utf8.append(buffer, static_cast<qsizetype>(dst - buffer));
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            utf8.append("\xEF\xBF\xBD");
            ++src;
            --left;
        }
    }
    iconv_close(cd);
    out = QString::fromUtf8(utf8);
    return true;
}

} // namespace

QString decodeCodePage(QByteArrayView bytes, int codePage)
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    switch (codePage) {
    case 936:
        return Gbk::decode(bytes.toByteArray());
    case 65001:
        return QString::fromUtf8(bytes);
    case 32769: // Excel's own name for 1252
        codePage = 1252;
        break;
    case 367:
        return QString::fromLatin1(bytes);
    default:
        break;
    }
    QString out;
    if (codePage > 0 && codePage != 1200 && viaIconv(bytes, "CP" + QByteArray::number(codePage), out))
        return out;
    return Gbk::decode(bytes.toByteArray());
}
