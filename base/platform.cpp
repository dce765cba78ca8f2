#include "base/platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString executableFolder()
{
    QString path = QFileInfo(QCoreApplication::applicationFilePath()).absolutePath();
    if (!path.endsWith(u'/'))
        path += u'/';
    return path;
}

bool SetDisplayMode(int width, int height)
{
    // No display mode service is used on this platform: the desktop keeps its
    // resolution and the window simply fills the screen it is on.
    Q_UNUSED(width);
    Q_UNUSED(height);
    return false;
}
