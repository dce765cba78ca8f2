#include "base/datafolder.h"

#include "base/errors.h"
#include "base/oserror.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

#ifndef PRIZEDRAW_DELIVERED_FROM_BIN
#define PRIZEDRAW_DELIVERED_FROM_BIN "../share/prizedraw"
#endif

namespace {

QString withSeparator(const QString &path)
{
    const QString clean = QDir::cleanPath(path);
    return clean.endsWith(u'/') ? clean : clean + u'/';
}

// A copy that appears whole or not at all, and never replaces a file that is
// already there (the operator's data may have appeared meanwhile): written
// under a temporary name, then linked to its name, which fails if it exists.
void copyFirstTime(const QString &from, const QString &to)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        throw AppError(u"无法读取随程序安装的文件 %1：%2。请重新安装本程序。"_s.arg(QDir::toNativeSeparators(from),
                                                                                    source.errorString()));
    const QByteArray bytes = source.readAll();
    if (source.error() != QFileDevice::NoError)
        throw AppError(u"无法读取随程序安装的文件 %1：%2。请重新安装本程序。"_s.arg(QDir::toNativeSeparators(from),
                                                                                    source.errorString()));

    const QByteArray target = QFile::encodeName(to);
    QByteArray temporary = target + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data()); // mode 0600
    auto fail = [&](int error) {
        ::unlink(temporary.constData());
        return AppError(u"无法在数据文件夹中建立 %1：%2。"_s.arg(QDir::toNativeSeparators(to), osErrorText(error)));
    };
    if (fd < 0)
        throw AppError(u"无法在数据文件夹中建立 %1：%2。"_s.arg(QDir::toNativeSeparators(to), osErrorText(errno)));
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            throw fail(error);
        }
        done += n;
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0)
        throw fail(errno);
    if (::link(temporary.constData(), target.constData()) != 0 && errno != EEXIST)
        throw fail(errno);
    ::unlink(temporary.constData());
}

// What an older copy or a crash left in the data folder (a journal, saved
// copies in subfolders) loses the group's and others' rights too. Links are
// left alone: what they point to is not the program's.
void narrowEverything(const QString &folder)
{
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QByteArray path = QFile::encodeName(it.next());
        struct stat st {};
        if (::lstat(path.constData(), &st) == 0 && !S_ISLNK(st.st_mode) && (st.st_mode & 077) != 0)
            ::chmod(path.constData(), st.st_mode & 07700);
    }
}

} // namespace

Folders Folders::portable(const QString &folder)
{
    const QString path = withSeparator(folder);
    return Folders{false, path, path};
}

QStringList dataFileNames() { return {u"config.dll"_s, u"config.ini"_s}; }

Folders decideFolders(const QString &exeFolder, const QString &dataHome)
{
    if (QFileInfo::exists(exeFolder + u"config.dll"_s))
        return Folders::portable(exeFolder);
    Folders folders;
    folders.installed = true;
    folders.program = withSeparator(exeFolder + QStringLiteral(PRIZEDRAW_DELIVERED_FROM_BIN));
    // Without a data home (no HOME either) the data folder stays unnamed and
    // the preparation says so.
    if (!dataHome.isEmpty())
        folders.data = withSeparator(dataHome + u"/prizedraw"_s);
    return folders;
}

Folders decideFolders(const QString &exeFolder)
{
    return decideFolders(exeFolder, QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
}

void prepareDataFolder(const Folders &folders)
{
    if (!folders.installed)
        return;
    if (folders.data.isEmpty())
        throw AppError(u"找不到当前用户的数据文件夹（环境变量 HOME 和 XDG_DATA_HOME 都没有设置）。"
                       u"请以普通用户身份登录后再启动本程序。"_s);
    // What the program makes there later (config.ini at its first save, the
    // database's journal, saved copies) is its owner's only as well; the
    // mask holds for the whole run, as the data folder does.
    ::umask(077);
    const QString parent = QFileInfo(QDir::cleanPath(folders.data)).path();
    const QByteArray data = QFile::encodeName(QDir::cleanPath(folders.data));
    errno = 0;
    if (!QDir().mkpath(parent) || (::mkdir(data.constData(), 0700) != 0 && errno != EEXIST))
        throw AppError(u"无法建立数据文件夹 %1：%2。"_s.arg(QDir::toNativeSeparators(folders.data),
                                                            osErrorText(errno ? errno : EACCES)));
    // Also a folder made by hand or by an older copy is narrowed: the roster
    // holds the staff's names. A folder of another owner keeps its modes; the
    // program then fails on its files with its own messages.
    ::chmod(data.constData(), 0700);
    for (const QString &name : dataFileNames()) {
        const QString target = folders.data + name;
        const QString delivered = folders.program + name;
        if (!QFileInfo::exists(target) && QFileInfo::exists(delivered))
            copyFirstTime(delivered, target);
        if (QFileInfo::exists(target))
            ::chmod(QFile::encodeName(target).constData(), 0600);
    }
    narrowEverything(folders.data);
}

QString guideFile(const Folders &folders)
{
    // The program's folder is the executable's (portable) or
    // <prefix>/share/prizedraw (installed).
    const QStringList candidates{folders.program + u"guide/使用说明.md"_s,
                                 folders.program + u"../doc/prizedraw/guide/使用说明.md"_s};
    for (const QString &candidate : candidates) {
        if (QFileInfo::exists(candidate))
            return QFileInfo(candidate).canonicalFilePath();
    }
    return {};
}
