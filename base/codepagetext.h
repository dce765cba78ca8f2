#pragma once
#include <QByteArrayView>
#include <QString>

// Decodes 8-bit text of a Windows code page (936 = GBK, 1252, ...); unknown
// code pages are read as GBK, the code page this system always ran on.
QString decodeCodePage(QByteArrayView bytes, int codePage);
