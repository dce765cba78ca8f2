#pragma once
#include <QFont>
#include <QStringList>

// A screen font of the given families and pixel size, followed by fonts with
// Chinese characters for machines that lack the named ones.
QFont cjkFallbackFont(const QStringList &families, int pixelSize);
