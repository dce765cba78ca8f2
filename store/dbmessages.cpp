#include "store/dbmessages.h"

#include "store/database.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {
QString native(const QString &path) { return QDir::toNativeSeparators(path); }
QString folderOf(const QString &path) { return QDir::toNativeSeparators(QFileInfo(path).absolutePath()); }
const QString kReplace = u"请用正确的 config.dll（或它的备份）替换它，然后重新启动程序。"_s;
} // namespace

namespace DbMessages {

QString missing(const QString &path)
{
    return u"找不到数据库文件 %1。请把 config.dll 放回程序所在的文件夹，然后重新启动程序。"_s.arg(native(path));
}

QString empty(const QString &path)
{
    return u"数据库文件 %1 是空文件（0 字节），其中没有任何资料。"_s.arg(native(path)) + kReplace;
}

QString notADatabase(const QString &path) { return u"文件 %1 不是本程序的数据库文件。"_s.arg(native(path)) + kReplace; }

QString damaged(const QString &path) { return u"数据库文件 %1 已损坏，无法使用。"_s.arg(native(path)) + kReplace; }

QString tableMissing(const QString &path, const QString &table)
{
    return u"数据库文件 %1 缺少数据表 %2，无法使用。"_s.arg(native(path), table) + kReplace;
}

QString fieldMissing(const QString &path, const QString &table, const QString &field)
{
    return u"数据库文件 %1 的数据表 %2 缺少字段 %3，无法使用。"_s.arg(native(path), table, field) + kReplace;
}

QString foreignSchema(const QString &path, const QString &what)
{
    return u"数据库文件 %1 %2，不是本程序的数据库，无法使用。"_s.arg(native(path), what) + kReplace;
}

QString leftoverInTheWay(const QString &path, const QString &leftover)
{
    return u"数据库文件 %1 旁边有一个不属于它的日志文件 %2，而且无法把它改名移开。为了不改动数据库，程序没有打开它。"
           u"请把这个日志文件移到别处，然后重新启动程序。"_s.arg(native(path), native(leftover));
}

QString readOnlyFile(const QString &path)
{
    return u"数据库文件 %1 是只读的：资料可以查看，但抽奖结果和修改都无法保存。请退出程序，去掉这个文件的只读属性，然后重新启动程序。"_s
        .arg(native(path));
}

QString readOnlyFolder(const QString &path)
{
    return u"数据库文件所在的文件夹 %1 不允许写入：资料可以查看，但抽奖结果和修改都无法保存。请退出程序，让这个文件夹可以写入，然后重新启动程序。"_s
        .arg(folderOf(path));
}

QString leftoverSetAside(const QString &path, const QString &leftover, const QString &newName)
{
    return u"数据库文件 %1 旁边有一个不属于它的日志文件 %2（可能是以前的程序或另一个数据库留下的）。它已改名为 %3 保存，数据库文件没有被改动。"_s
        .arg(native(path), QFileInfo(leftover).fileName(), QFileInfo(newName).fileName());
}

QString unusable(const QString &reason) { return u"数据库无法使用。"_s + reason; }

QString forResultCode(int code, const QString &engineText, const QString &path)
{
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return u"另一个程序正占用数据库文件 %1，这次的写入没有完成。请关闭占用它的程序（例如打开了这个文件的数据库工具），然后再试一次。"_s
            .arg(native(path));
    case SQLITE_FULL:
        return u"磁盘空间已满，数据库文件 %1 无法写入，这次的写入没有完成。请腾出磁盘空间，然后再试一次。"_s.arg(
            native(path));
    case SQLITE_READONLY:
        return u"数据库文件 %1 或它所在的文件夹是只读的，这次的写入没有完成。请退出程序，去掉只读属性，然后重新启动程序。"_s
            .arg(native(path));
    case SQLITE_CORRUPT:
        return damaged(path);
    case SQLITE_NOTADB:
        return notADatabase(path);
    case SQLITE_CANTOPEN:
        return u"无法打开数据库文件 %1。请确认这个文件和它所在的文件夹存在并且可以访问，然后重新启动程序。"_s.arg(
            native(path));
    case SQLITE_IOERR:
        return u"读写数据库文件 %1 时出错（%2）。请检查磁盘和这个文件，然后再试一次。"_s.arg(native(path), engineText);
    default:
        return engineText;
    }
}

QString forEngineError(const QSqlError &error, const QString &path)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    const QString engine = engineErrorText(error);
    if (!ok)
        return engine;
    // A missing table or field met by a statement: the start checks refuse
    // such a file, so this is a file changed while the program runs.
    const QString text = error.databaseText();
    if ((code & 0xff) == SQLITE_ERROR && text.startsWith(u"no such table: "_s, Qt::CaseInsensitive))
        return tableMissing(path, text.mid(15).trimmed());
    if ((code & 0xff) == SQLITE_ERROR && text.startsWith(u"no such column: "_s, Qt::CaseInsensitive))
        return u"数据库文件 %1 缺少字段 %2，无法使用。"_s.arg(native(path), text.mid(16).trimmed()) + kReplace;
    return forResultCode(code, engine, path);
}

} // namespace DbMessages
