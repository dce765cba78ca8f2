#include "media/photofolder.h"

#include "base/lookfiles.h"
#include "media/picturecache.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

int rank(const QString &fileName)
{
    return static_cast<int>(pictureSuffixes().indexOf(QFileInfo(fileName).suffix().toLower()));
}

// Code -> path of the preferred photo among the folder's files.
QHash<QString, QString> photosIn(const QString &folder)
{
    QHash<QString, QString> found;
    const QDir dir(folder);
    for (const QFileInfo &file : dir.entryInfoList(QDir::Files | QDir::Readable, QDir::Name)) {
        if (!PhotoFolder::isPhotoName(file.fileName()))
            continue;
        const QString code = file.completeBaseName();
        auto it = found.find(code);
        if (it == found.end() || rank(file.fileName()) < rank(*it))
            found.insert(code, file.filePath());
    }
    return found;
}

// Copies into a new file, which gets the mode every file the program makes
// gets (owner-only in an installed program's data folder), not the source's
// as a copy of its permissions would. Written beside the old file first, so
// a failed copy loses nothing.
bool replaceWithCopy(const QString &source, const QString &destination)
{
    const QString partial = destination + u".part"_s;
    QFile::remove(partial);
    QFile in(source);
    QFile out(partial);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    bool ok = true;
    QByteArray block;
    while (ok && !(block = in.read(1 << 20)).isEmpty())
        ok = out.write(block) == block.size();
    ok = ok && in.error() == QFileDevice::NoError && out.flush();
    out.close();
    ok = ok && out.error() == QFileDevice::NoError;
    if (ok) {
        QFile::remove(destination);
        ok = QFile::rename(partial, destination);
    }
    if (!ok)
        QFile::remove(partial);
    return ok;
}

} // namespace

bool PhotoFolder::isPhotoName(const QString &fileName) { return rank(fileName) >= 0; }

PhotoFolder::PhotoFolder(const QString &folder)
{
    m_byCode = photosIn(folder);
    const QDir dir(folder);
    for (const QString &factory : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Readable)) {
        const QHash<QString, QString> own = photosIn(dir.filePath(factory));
        for (auto it = own.cbegin(); it != own.cend(); ++it)
            m_byFactory.insert({factory, it.key()}, it.value());
    }
}

QString PhotoFolder::photoOf(const QString &code, const QString &factory) const
{
    if (code.isEmpty())
        return {};
    if (!m_byFactory.isEmpty()) {
        auto own = m_byFactory.constFind({factory, code});
        if (own != m_byFactory.cend())
            return *own;
    }
    return m_byCode.value(code);
}

PhotoCopy copyPhotos(const QString &from, const QString &to, const QSet<QString> &factories)
{
    PhotoCopy result;
    auto copyFolder = [&result](const QDir &source, const QString &target) {
        for (const QFileInfo &file : source.entryInfoList(QDir::Files | QDir::Readable, QDir::Name)) {
            if (!PhotoFolder::isPhotoName(file.fileName()))
                continue;
            if (const QString error = checkPictureFile(file.filePath()); !error.isEmpty()) {
                result.refused << error;
                continue;
            }
            if (!QDir().mkpath(target)) {
                result.failed << u"无法建立文件夹“%1”"_s.arg(QDir::toNativeSeparators(target));
                return;
            }
            const QString destination = QDir(target).filePath(file.fileName());
            if (!replaceWithCopy(file.filePath(), destination)) {
                result.failed << u"无法写入“%1”"_s.arg(QDir::toNativeSeparators(destination));
                continue;
            }
            ++result.copied;
            result.copiedFiles << destination;
        }
    };
    const QDir source(from);
    copyFolder(source, to);
    for (const QString &folder : source.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Readable)) {
        if (factories.contains(folder))
            copyFolder(QDir(source.filePath(folder)), QDir(to).filePath(folder));
        else
            result.skippedFolders << folder;
    }
    return result;
}

StoredPicture storePicture(const QString &source, const QString &folder, const QString &baseName, bool onlyOne,
                           const std::function<void()> &waiting)
{
    if (const PictureRead read = waiting ? readPictureAway(source, waiting) : readPictureFile(source);
        !read.error.isEmpty())
        return {QString(), read.error};
    QString suffix = QFileInfo(source).suffix().toLower();
    if (!PhotoFolder::isPhotoName(u"x."_s + suffix))
        suffix = u"png"_s;
    const QString fileName = baseName + u'.' + suffix;
    const QString destination = QDir(folder).filePath(fileName);
    const auto failed = [&] {
        return StoredPicture{QString(), u"无法把图片“%1”复制到“%2”，请检查该文件夹是否可写、磁盘是否已满。"_s.arg(
                                            QFileInfo(source).fileName(), QDir::toNativeSeparators(folder))};
    };
    if (QFileInfo(source).absoluteFilePath() == QFileInfo(destination).absoluteFilePath())
        return {fileName, QString()};
    if (!QDir().mkpath(folder))
        return failed();
    if (!replaceWithCopy(source, destination))
        return failed();
    if (onlyOne) {
        for (const QString &other : filesOfBaseName(folder, baseName))
            if (QFileInfo(other).fileName() != fileName)
                QFile::remove(other);
    }
    return {fileName, QString()};
}
