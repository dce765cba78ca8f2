#include "admin/backupfile.h"

#include "base/errors.h"
#include "base/oserror.h"
#include "store/database.h"
#include "store/snapshots.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <gsf/gsf-infile-zip.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-outfile-zip.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>
#include <memory>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace BackupFile {

namespace {

// The entry that tells our backups from any other zip, and its text.
constexpr const char *kMarkName = "prizedraw-backup.txt";
const QByteArray kMark = QByteArrayLiteral("prizedraw backup 1\n");
constexpr const char *kDatabaseName = "config.dll";
constexpr const char *kSettingsName = "config.ini";
const QStringList kFolders = {u"pictures"_s, u"photos"_s};
constexpr qint64 kBlock = 1 << 20;

struct Unref {
    void operator()(void *object) const
    {
        if (object)
            g_object_unref(object);
    }
};
template <typename T> using GsfPtr = std::unique_ptr<T, Unref>;

void initGsf()
{
    static const bool ready = (gsf_init(), true);
    Q_UNUSED(ready);
}

QString native(const QString &path) { return QDir::toNativeSeparators(path); }

[[noreturn]] void failSave(const QString &target, const QString &cause)
{
    throw AppError(u"无法保存备份文件 %1：%2。"_s.arg(native(target), cause));
}

QString errnoText(const QString &fallback) { return errno != 0 ? osErrorText(errno) : fallback; }

QString dataFolderOf(Database &db) { return QFileInfo(db.path()).absolutePath(); }

// Adds the file at `source` as `name` in `folder` of the zip.
void addFile(GsfOutfile *folder, const char *name, const QString &source, const QString &target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        failSave(target, u"无法读取 %1（%2）"_s.arg(native(source), in.errorString()));
    const GsfPtr<GsfOutput> entry(gsf_outfile_new_child(folder, name, FALSE));
    if (!entry)
        failSave(target, errnoText(u"无法生成 zip 文件"_s));
    for (;;) {
        const QByteArray block = in.read(kBlock);
        if (block.isEmpty())
            break;
        errno = 0;
        if (!gsf_output_write(entry.get(), static_cast<size_t>(block.size()),
                              reinterpret_cast<const guint8 *>(block.constData())))
            failSave(target, errnoText(u"无法写入"_s));
    }
    if (in.error() != QFileDevice::NoError)
        failSave(target, u"无法读取 %1（%2）"_s.arg(native(source), in.errorString()));
    errno = 0;
    if (!gsf_output_close(entry.get()))
        failSave(target, errnoText(u"无法写入"_s));
}

void addFolder(GsfOutfile *zip, const QString &root, const QString &name, const QString &target)
{
    const GsfPtr<GsfOutput> folder(gsf_outfile_new_child(zip, name.toUtf8().constData(), TRUE));
    if (!folder)
        failSave(target, errnoText(u"无法生成 zip 文件"_s));
    const QDir dir(root + u'/' + name);
    const QFileInfoList items = dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &item : items) {
        if (item.isDir())
            addFolder(GSF_OUTFILE(folder.get()), dir.path(), item.fileName(), target);
        else
            addFile(GSF_OUTFILE(folder.get()), item.fileName().toUtf8().constData(), item.filePath(), target);
    }
    errno = 0;
    if (!gsf_output_close(folder.get()))
        failSave(target, errnoText(u"无法写入"_s));
}

[[noreturn]] void notABackup(const QString &file)
{
    throw AppError(u"文件 %1 不是本程序的数据备份（用“备份数据”保存的 .zip 文件），不能用来恢复，现在的数据没有改动。"
                   u"请选择用“备份数据”保存的文件。"_s.arg(native(file)));
}

[[noreturn]] void failUnpack(const QString &file, const QString &cause)
{
    throw AppError(u"无法读取备份文件 %1：%2。现在的数据没有改动。"_s.arg(native(file), cause));
}

QByteArray readAll(GsfInput *input, const QString &file)
{
    const gsf_off_t size = gsf_input_size(input);
    if (size < 0 || size > 1024)
        return {};
    QByteArray bytes(static_cast<qsizetype>(size), '\0');
    if (size > 0 && !gsf_input_read(input, static_cast<size_t>(size), reinterpret_cast<guint8 *>(bytes.data())))
        failUnpack(file, u"文件已损坏"_s);
    return bytes;
}

// A zip's folders are files with children; its files have none (-1).
bool isFolder(GsfInput *entry) { return GSF_IS_INFILE(entry) && gsf_infile_num_children(GSF_INFILE(entry)) >= 0; }

// A name inside the zip becomes a name in a folder of ours, never a way out of it.
bool safeName(const QString &name)
{
    return !name.isEmpty() && name != u"."_s && name != u".."_s && !name.contains(u'/') && !name.contains(u'\\');
}

void unpackFile(GsfInput *entry, const QString &path, const QString &file)
{
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        failUnpack(file, u"无法写入 %1（%2）"_s.arg(native(path), out.errorString()));
    for (gsf_off_t left = gsf_input_size(entry); left > 0;) {
        const gsf_off_t n = std::min<gsf_off_t>(left, kBlock);
        const guint8 *bytes = gsf_input_read(entry, static_cast<size_t>(n), nullptr);
        if (!bytes)
            failUnpack(file, u"文件已损坏"_s);
        if (out.write(reinterpret_cast<const char *>(bytes), n) != n)
            failUnpack(file, u"无法写入 %1（%2）"_s.arg(native(path), out.errorString()));
        left -= n;
    }
    if (!out.flush())
        failUnpack(file, u"无法写入 %1（%2）"_s.arg(native(path), out.errorString()));
}

void unpackFolder(GsfInfile *folder, const QString &path, const QString &file)
{
    if (!QDir().mkpath(path))
        failUnpack(file, u"无法建立文件夹 %1"_s.arg(native(path)));
    const int children = gsf_infile_num_children(folder);
    for (int i = 0; i < children; ++i) {
        const char *raw = gsf_infile_name_by_index(folder, i);
        const QString name = raw ? QString::fromUtf8(raw) : QString();
        if (!safeName(name))
            notABackup(file);
        const GsfPtr<GsfInput> child(gsf_infile_child_by_index(folder, i));
        if (!child)
            failUnpack(file, u"文件已损坏"_s);
        const QString childPath = path + u'/' + name;
        if (isFolder(child.get()))
            unpackFolder(GSF_INFILE(child.get()), childPath, file);
        else
            unpackFile(child.get(), childPath, file);
    }
}

// Replaces `current` with `incoming` (both in the data folder): the old one is
// moved aside first and removed only once the new one is in place.
void replaceFolder(const QString &incoming, const QString &current)
{
    const QString aside = current + u".old"_s;
    QDir(aside).removeRecursively();
    const bool hadOne = QFileInfo(current).isDir();
    if (hadOne && !QDir().rename(current, aside))
        throw AppError(u"无法替换文件夹 %1，请关闭正在使用其中文件的程序后再试。"_s.arg(native(current)));
    if (!QDir().rename(incoming, current)) {
        if (hadOne)
            QDir().rename(aside, current);
        throw AppError(u"无法替换文件夹 %1，请关闭正在使用其中文件的程序后再试。"_s.arg(native(current)));
    }
    QDir(aside).removeRecursively();
}

} // namespace

QString filter() { return u"抽奖数据备份|*.zip"_s; }

void save(Database &db, const QString &target)
{
    initGsf();
    const QString folder = dataFolderOf(db);
    const QString targetFolder = QFileInfo(target).absolutePath();

    // A consistent copy of the database, taken through the engine while the
    // program holds the file open; beside the target, so that a data folder
    // that cannot be written (a read-only copy of the event) is backed up too.
    QTemporaryFile copy(targetFolder + u"/.backup-XXXXXX.dll"_s);
    errno = 0;
    if (!copy.open())
        failSave(target, errnoText(copy.errorString()));
    copy.close();
    if (const QString cause = Snapshots::copyTo(db, copy.fileName()); !cause.isEmpty())
        failSave(target, u"无法复制数据库（%1）"_s.arg(cause));

    // Written under a temporary name beside the target and moved over it only
    // when complete: an old backup is never replaced by half a new one.
    QTemporaryFile zipFile(targetFolder + u"/."_s + QFileInfo(target).fileName() + u".XXXXXX"_s);
    errno = 0;
    if (!zipFile.open())
        failSave(target, errnoText(zipFile.errorString()));
    {
        FILE *stream = ::fdopen(::dup(zipFile.handle()), "wb");
        if (!stream)
            failSave(target, errnoText(u"无法建立文件"_s));
        const std::unique_ptr<FILE, int (*)(FILE *)> closeStream(stream, &std::fclose);
        {
            const GsfPtr<GsfOutput> sink(
                gsf_output_stdio_new_FILE(zipFile.fileName().toUtf8().constData(), stream, TRUE));
            GError *error = nullptr;
            const GsfPtr<GsfOutfile> zip(sink ? gsf_outfile_zip_new(sink.get(), &error) : nullptr);
            if (error)
                g_error_free(error);
            if (!zip)
                failSave(target, errnoText(u"无法生成 zip 文件"_s));
            {
                const GsfPtr<GsfOutput> mark(gsf_outfile_new_child(zip.get(), kMarkName, FALSE));
                if (!mark
                    || !gsf_output_write(mark.get(), static_cast<size_t>(kMark.size()),
                                         reinterpret_cast<const guint8 *>(kMark.constData()))
                    || !gsf_output_close(mark.get()))
                    failSave(target, errnoText(u"无法写入"_s));
            }
            addFile(zip.get(), kDatabaseName, copy.fileName(), target);
            const QString settings = folder + u'/' + QString::fromLatin1(kSettingsName);
            if (QFileInfo(settings).isFile())
                addFile(zip.get(), kSettingsName, settings, target);
            for (const QString &name : kFolders) {
                if (QFileInfo(folder + u'/' + name).isDir())
                    addFolder(zip.get(), folder, name, target);
            }
            errno = 0;
            if (!gsf_output_close(GSF_OUTPUT(zip.get())) || !gsf_output_close(sink.get()))
                failSave(target, errnoText(u"无法写入"_s));
        }
        errno = 0;
        if (std::fflush(stream) != 0 || ::fsync(::fileno(stream)) != 0)
            failSave(target, errnoText(u"无法写入"_s));
    }
    QFile::remove(target);
    if (!zipFile.rename(target))
        failSave(target, zipFile.errorString());
    zipFile.setAutoRemove(false);
}

void restore(Database &db, const QString &file)
{
    initGsf();
    const QString folder = dataFolderOf(db);
    GError *error = nullptr;
    const GsfPtr<GsfInput> input(gsf_input_stdio_new(QFile::encodeName(file).constData(), &error));
    if (error)
        g_error_free(error);
    if (!input) {
        errno = 0;
        const int probe = ::open(QFile::encodeName(file).constData(), O_RDONLY);
        const QString cause = probe < 0 ? errnoText(u"无法打开"_s) : u"无法打开"_s;
        if (probe >= 0)
            ::close(probe);
        failUnpack(file, cause);
    }
    error = nullptr;
    const GsfPtr<GsfInfile> zip(gsf_infile_zip_new(input.get(), &error));
    if (error)
        g_error_free(error);
    if (!zip)
        notABackup(file);
    {
        const GsfPtr<GsfInput> mark(gsf_infile_child_by_name(zip.get(), kMarkName));
        if (!mark || readAll(mark.get(), file) != kMark)
            notABackup(file);
        const GsfPtr<GsfInput> database(gsf_infile_child_by_name(zip.get(), kDatabaseName));
        if (!database || isFolder(database.get()))
            notABackup(file);
    }

    // Everything is unpacked before anything is replaced: a damaged backup or
    // a full disk leaves the data in use as it is.
    QTemporaryDir unpacked(folder + u"/.restore-XXXXXX"_s);
    if (!unpacked.isValid())
        failUnpack(file, u"无法在文件夹 %1 中写入（%2）"_s.arg(native(folder), unpacked.errorString()));
    const int children = gsf_infile_num_children(zip.get());
    for (int i = 0; i < children; ++i) {
        const char *raw = gsf_infile_name_by_index(zip.get(), i);
        const QString name = raw ? QString::fromUtf8(raw) : QString();
        const bool known = name == QString::fromLatin1(kDatabaseName) || name == QString::fromLatin1(kSettingsName)
                           || kFolders.contains(name);
        if (!known)
            continue;
        const GsfPtr<GsfInput> child(gsf_infile_child_by_index(zip.get(), i));
        if (!child)
            failUnpack(file, u"文件已损坏"_s);
        const bool folderEntry = isFolder(child.get());
        if (folderEntry != kFolders.contains(name))
            notABackup(file);
        if (folderEntry)
            unpackFolder(GSF_INFILE(child.get()), unpacked.filePath(name), file);
        else
            unpackFile(child.get(), unpacked.filePath(name), file);
    }

    Snapshots::restoreFrom(db, unpacked.filePath(QString::fromLatin1(kDatabaseName)), file);

    const QString settings = unpacked.filePath(QString::fromLatin1(kSettingsName));
    if (QFileInfo(settings).isFile()) {
        const QString path = folder + u'/' + QString::fromLatin1(kSettingsName);
        QFile in(settings);
        QSaveFile out(path);
        if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly) || out.write(in.readAll()) < 0
            || !out.commit())
            throw AppError(u"数据库已经恢复，但设置文件 %1 无法写入（%2）。"_s.arg(native(path), out.errorString()));
    }
    for (const QString &name : kFolders) {
        if (QFileInfo(unpacked.filePath(name)).isDir())
            replaceFolder(unpacked.filePath(name), folder + u'/' + name);
    }
}

} // namespace BackupFile
