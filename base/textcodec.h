#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

// 8-bit text: the GBK code page (936) of the settings file and of legacy text
// files, and the other code pages old workbooks name.
namespace Gbk {
QString decode(const QByteArray &bytes);
QByteArray encode(const QString &text);
} // namespace Gbk

// Decodes bytes in a charset iconv knows ("GBK", "CP1252", ...); bytes that do
// not convert become U+FFFD. nullopt when iconv does not know the charset.
std::optional<QString> decodeCharset(QByteArrayView bytes, const char *charset);
