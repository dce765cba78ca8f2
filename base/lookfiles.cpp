#include "base/lookfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

const QStringList &pictureSuffixes()
{
    static const QStringList suffixes{u"jpg"_s, u"jpeg"_s, u"png"_s};
    return suffixes;
}

QStringList filesOfBaseName(const QString &folder, const QString &baseName)
{
    QStringList found;
    for (const QString &suffix : pictureSuffixes()) {
        for (const QString &name : QStringList{baseName + u'.' + suffix, baseName + u'.' + suffix.toUpper()}) {
            const QString path = QDir(folder).filePath(name);
            if (QFileInfo::exists(path) && !found.contains(path))
                found << path;
        }
    }
    return found;
}

QString prizePictureBaseName(int recNo) { return u"prize-"_s + QString::number(recNo); }

QString prizePicturePath(const QString &folder, int recNo)
{
    const QStringList found = filesOfBaseName(folder, prizePictureBaseName(recNo));
    return found.isEmpty() ? QString() : found.constFirst();
}

void removePrizePicture(const QString &folder, int recNo)
{
    for (const QString &path : filesOfBaseName(folder, prizePictureBaseName(recNo)))
        QFile::remove(path);
}
