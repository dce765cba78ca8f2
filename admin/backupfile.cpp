#include "admin/backupfile.h"

#include "admin/operatorpassword.h"
#include "base/errors.h"
#include "base/oserror.h"
#include "base/settings.h"
#include "base/textcodec.h"
#include "store/database.h"
#include "store/dberror.h"
#include "store/restorejournal.h"
#include "store/snapshots.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <cerrno>
#include <climits>
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
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

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
    errno = 0;
    if (!in.open(QIODevice::ReadOnly))
        failSave(target, u"无法读取 %1（%2）"_s.arg(native(source), errnoText(in.errorString())));
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
        failSave(target, u"无法读取 %1（%2）"_s.arg(native(source), errnoText(in.errorString())));
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
        // A link to a folder inside may lead back up the tree (photos/all ->
        // ..): only the files it names are the event's.
        if (item.isDir() && item.isSymLink())
            continue;
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

[[noreturn]] void damaged(const QString &file)
{
    throw AppError(u"备份文件 %1 已损坏（可能没有复制完整），无法用来恢复，现在的数据没有改动。"
                   u"请换一份完整的备份文件。"_s.arg(native(file)));
}

QByteArray readAll(GsfInput *input, const QString &file)
{
    const gsf_off_t size = gsf_input_size(input);
    if (size < 0 || size > 1024)
        return {};
    QByteArray bytes(static_cast<qsizetype>(size), '\0');
    if (size > 0 && !gsf_input_read(input, static_cast<size_t>(size), reinterpret_cast<guint8 *>(bytes.data())))
        damaged(file);
    return bytes;
}

// A zip's folders are files with children; its files have none (-1).
bool isFolder(GsfInput *entry) { return GSF_IS_INFILE(entry) && gsf_infile_num_children(GSF_INFILE(entry)) >= 0; }

// A name inside the zip becomes a name in a folder of ours, never a way out of it.
bool safeName(const QString &name)
{
    return !name.isEmpty() && name != u"."_s && name != u".."_s && !name.contains(u'/') && !name.contains(u'\\');
}

// Names written by this program are UTF-8; a zip made on a Chinese Windows
// names its files in GBK.
QString entryName(const char *raw)
{
    if (!raw)
        return {};
    const QByteArray bytes(raw);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? Gbk::decode(bytes) : text;
}

// What one entry may hold: a roster of a million people is a database of
// about 100 MB; a picture of 100 megapixels is at most 400 MB however it is
// stored; the settings are read only up to their own limit.
constexpr qint64 kMostDatabaseBytes = 2LL << 30;
constexpr qint64 kMostPictureBytes = 512LL << 20;
constexpr int kMostEntries = 200'000;
constexpr int kMostDepth = 4;

struct Entry {
    GsfInput *input; // owned by `held`
    QString path; // inside the work folder
};

// Every entry to unpack, with its size checked, before a byte is written.
struct Plan {
    std::vector<GsfPtr<GsfInput>> held;
    std::vector<Entry> files;
    QStringList folders;
    qint64 total = 0;
};

void tooLarge(const QString &file, const QString &entry, qint64 size, qint64 limit)
{
    throw AppError(u"备份文件 %1 中的 %2 有 %3 MB，超过了它可能的大小（%4 MB），不是本程序保存的备份，"
                   u"无法用来恢复，现在的数据没有改动。"_s.arg(native(file), entry)
                       .arg((size + (1 << 20) - 1) >> 20)
                       .arg(limit >> 20));
}

void planFile(Plan &plan, GsfPtr<GsfInput> input, const QString &path, const QString &shown, qint64 limit,
              const QString &file)
{
    const gsf_off_t size = gsf_input_size(input.get());
    if (size < 0)
        damaged(file);
    if (size > limit)
        tooLarge(file, shown, size, limit);
    plan.total += size;
    plan.files.push_back({input.get(), path});
    plan.held.push_back(std::move(input));
    if (int(plan.files.size()) > kMostEntries)
        notABackup(file);
}

void planFolder(Plan &plan, GsfInfile *folder, const QString &path, const QString &shown, int depth,
                const QString &file)
{
    if (depth > kMostDepth)
        notABackup(file);
    plan.folders << path;
    const int children = gsf_infile_num_children(folder);
    for (int i = 0; i < children; ++i) {
        const QString name = entryName(gsf_infile_name_by_index(folder, i));
        if (!safeName(name))
            notABackup(file);
        GsfPtr<GsfInput> child(gsf_infile_child_by_index(folder, i));
        if (!child)
            damaged(file);
        if (isFolder(child.get())) {
            planFolder(plan, GSF_INFILE(child.get()), path + u'/' + name, shown + u'/' + name, depth + 1, file);
            plan.held.push_back(std::move(child));
        } else {
            planFile(plan, std::move(child), path + u'/' + name, shown + u'/' + name, kMostPictureBytes, file);
        }
    }
}

[[noreturn]] void failWrite(const QString &file, const QString &folder, int error)
{
    if (error == ENOSPC || error == EDQUOT || error == EFBIG)
        throw AppError(u"磁盘空间不足，无法在文件夹 %1 中展开备份文件 %2。现在的数据没有改动。"
                       u"请腾出磁盘空间后再试。"_s.arg(native(folder), native(file)));
    failUnpack(file, u"无法在文件夹 %1 中写入（%2）"_s.arg(native(folder), osErrorText(error)));
}

// Written as a new file, never through what lies under its name.
void unpackFile(const Entry &entry, const QString &file, const QString &dataFolder, qint64 &done, qint64 total,
                const RestoreOptions &options)
{
    const int fd =
        ::open(QFile::encodeName(entry.path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        failWrite(file, dataFolder, errno);
    const std::unique_ptr<int, void (*)(int *)> closeFd(new int(fd), [](int *held) {
        ::close(*held);
        delete held;
    });
    for (gsf_off_t left = gsf_input_size(entry.input); left > 0;) {
        const gsf_off_t n = std::min<gsf_off_t>(left, kBlock);
        const guint8 *bytes = gsf_input_read(entry.input, static_cast<size_t>(n), nullptr);
        if (!bytes)
            damaged(file);
        for (gsf_off_t written = 0; written < n;) {
            const ssize_t put = ::write(fd, bytes + written, size_t(n - written));
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                failWrite(file, dataFolder, put < 0 ? errno : ENOSPC);
            written += put;
        }
        left -= n;
        done += n;
        if (options.progress)
            options.progress(done, total);
    }
    if (::fsync(fd) != 0)
        failWrite(file, dataFolder, errno);
}

qint64 freeBytes(const QString &folder)
{
    struct statvfs info {};
    if (::statvfs(QFile::encodeName(folder).constData(), &info) != 0)
        return -1;
    return qint64(info.f_bavail) * qint64(info.f_frsize);
}

// The password in force stays unless the operator shows they may take the
// backup's (see RestoreOptions::askPassword).
void keepPasswordInForce(const QString &dataFolder, const QString &incoming, const RestoreOptions &options)
{
    const QString inForce = LoadSettings(dataFolder + u'/').passwordHash;
    const QString brought = LoadSettings(incoming + u'/').passwordHash;
    if (brought == inForce)
        return;
    const QString typed = options.askPassword ? options.askPassword() : QString();
    if (!typed.isEmpty()
        && (matchPassword(typed, inForce) == PasswordMatch::Yes || matchPassword(typed, brought) == PasswordMatch::Yes))
        return;
    SavePasswordHash(incoming + u'/', inForce);
}

} // namespace

QString filter() { return u"抽奖数据备份|*.zip"_s; }

QString refusedTarget(Database &db, const QString &target)
{
    const QString folder = dataFolderOf(db);
    const QFileInfo chosen(target);
    // The same file under any name: a link, another spelling of the folder.
    const auto same = [&](const QString &own) {
        struct stat a {
        }, b{};
        if (::stat(QFile::encodeName(target).constData(), &a) == 0
            && ::stat(QFile::encodeName(own).constData(), &b) == 0)
            return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
        const QString where = QFileInfo(chosen.absolutePath()).canonicalFilePath();
        return !where.isEmpty()
               && where + u'/' + chosen.fileName()
                      == QFileInfo(QFileInfo(own).absolutePath()).canonicalFilePath() + u'/'
                             + QFileInfo(own).fileName();
    };
    const QString refused =
        u"备份不能保存为 %1：它是本程序正在使用的数据文件，备份会把它覆盖。请把备份保存到别的文件夹（例如U盘）。"_s.arg(
            native(target));
    for (const QString &own :
         QStringList{db.path(), db.path() + u"-journal"_s, folder + u'/' + QString::fromLatin1(kSettingsName)}) {
        if (same(own))
            return refused;
    }
    const QString where = QFileInfo(chosen.absolutePath()).canonicalFilePath();
    for (const QString &name : kFolders) {
        const QString own = QFileInfo(folder + u'/' + name).canonicalFilePath();
        if (!own.isEmpty() && !where.isEmpty() && (where == own || where.startsWith(own + u'/')))
            return u"备份不能保存在文件夹 %1 中：备份会读取这个文件夹，不能同时写入它。请把备份保存到别的文件夹（例如U盘）。"_s
                .arg(native(own));
    }
    return {};
}

void save(Database &db, const QString &target)
{
    if (const QString refused = refusedTarget(db, target); !refused.isEmpty())
        throw AppError(refused);
    // The file is first written as ".NAME.XXXXXX" beside the target: a name
    // the disk takes only without those eight characters is too long too.
    if (QFile::encodeName(QFileInfo(target).fileName()).size() + 8 > NAME_MAX)
        failSave(target, osErrorText(ENAMETOOLONG));
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
    // Moved over the old file in one step: the target is whole, old or new.
    if (::rename(QFile::encodeName(zipFile.fileName()).constData(), QFile::encodeName(target).constData()) != 0)
        failSave(target, osErrorText(errno));
    zipFile.setAutoRemove(false);
}

void restore(Database &db, const QString &file, const RestoreOptions &options)
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
    if (!zip) {
        // A zip whose end is missing still starts as one: a copy cut short.
        QFile head(file);
        if (head.open(QIODevice::ReadOnly) && head.read(4) == QByteArrayLiteral("PK\x03\x04"))
            damaged(file);
        notABackup(file);
    }
    {
        const GsfPtr<GsfInput> mark(gsf_infile_child_by_name(zip.get(), kMarkName));
        if (!mark || readAll(mark.get(), file) != kMark)
            notABackup(file);
        const GsfPtr<GsfInput> database(gsf_infile_child_by_name(zip.get(), kDatabaseName));
        if (!database || isFolder(database.get()))
            notABackup(file);
    }

    // Everything is unpacked before anything is replaced, each entry within
    // what it may hold and all of them within the free space: a damaged
    // backup or a full disk leaves the data in use as it is.
    RestoreJournal::Restore work(db.path());
    Plan plan;
    const int children = gsf_infile_num_children(zip.get());
    for (int i = 0; i < children; ++i) {
        const QString name = entryName(gsf_infile_name_by_index(zip.get(), i));
        const bool known = name == QString::fromLatin1(kDatabaseName) || name == QString::fromLatin1(kSettingsName)
                           || kFolders.contains(name);
        if (!known)
            continue;
        GsfPtr<GsfInput> child(gsf_infile_child_by_index(zip.get(), i));
        if (!child)
            damaged(file);
        const bool folderEntry = isFolder(child.get());
        if (folderEntry != kFolders.contains(name))
            notABackup(file);
        const QString path = work.newFolder() + u'/' + name;
        if (folderEntry) {
            planFolder(plan, GSF_INFILE(child.get()), path, name, 1, file);
            plan.held.push_back(std::move(child));
        } else {
            const qint64 limit =
                name == QString::fromLatin1(kSettingsName) ? kMostSettingsFileBytes : kMostDatabaseBytes;
            planFile(plan, std::move(child), path, name, limit, file);
        }
    }
    // The snapshot of the data in use is written too.
    const qint64 needed = plan.total + QFileInfo(db.path()).size();
    if (const qint64 free = freeBytes(folder); free >= 0 && needed > free)
        throw AppError(u"磁盘空间不足：从备份文件 %1 恢复需要 %2 MB，文件夹 %3 所在的磁盘只剩 %4 MB。"
                       u"现在的数据没有改动，请腾出磁盘空间后再试。"_s.arg(native(file))
                           .arg((needed + (1 << 20) - 1) >> 20)
                           .arg(native(folder))
                           .arg(free >> 20));
    for (const QString &made : std::as_const(plan.folders)) {
        if (!QDir().mkpath(made))
            failWrite(file, folder, errno);
    }
    qint64 done = 0;
    for (const Entry &entry : plan.files)
        unpackFile(entry, file, folder, done, plan.total, options);
    plan.held.clear();

    try {
        Snapshots::prepareCopy(db, work.newDatabase(), file);
        // Asked only of a backup that will be restored.
        if (QFileInfo::exists(work.newFolder() + u'/' + QString::fromLatin1(kSettingsName)))
            keepPasswordInForce(folder, work.newFolder(), options);
        const QString snapshot = Snapshots::take(db, Snapshots::restore());
        work.commit(db, snapshot, options.afterStep);
    } catch (const DbError &e) {
        throw AppError(e.text());
    }
}

} // namespace BackupFile
