#include "base/codepagetext.h"

#include "base/textcodec.h"

#include <QByteArray>

namespace {

bool isAscii(QByteArrayView bytes)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
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
    if (codePage > 0 && codePage != 1200) {
        if (auto text = decodeCharset(bytes, QByteArray("CP" + QByteArray::number(codePage)).constData()))
            return *text;
    }
    return Gbk::decode(bytes.toByteArray());
}
