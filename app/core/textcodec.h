#pragma once
#include <QByteArray>
#include <QString>

// The 8-bit GBK code page (936) of the settings file and of legacy text files.
namespace Gbk {
QString decode(const QByteArray &bytes);
QByteArray encode(const QString &text);
// True when the bytes form valid UTF-8 (ASCII included).
bool isValidUtf8(const QByteArray &bytes);
}
