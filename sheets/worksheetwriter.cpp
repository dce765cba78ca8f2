#include "sheets/worksheetwriter.h"

#include "base/errors.h"
#include "base/oserror.h"
#include "sheets/biff8workbook.h"
#include "sheets/xlsxworkbook.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString cannotWrite(const QString &path, const QString &reason)
{
    return u"无法写入文件\""_s + QDir::toNativeSeparators(path) + u"\"："_s + reason + u"。"_s;
}

// The longest file name the folder's file system takes, in bytes.
long nameLimit(const QString &folder)
{
    const long limit = pathconf(QFile::encodeName(folder).constData(), _PC_NAME_MAX);
    return limit > 0 ? limit : 255;
}

// Partial files are written under ".<name>.XXXXXX" beside the target.
QString temporaryPattern(const QFileInfo &target)
{
    return target.absolutePath() + u"/."_s + target.fileName() + u".XXXXXX"_s;
}

// Removes what an interrupted export left in the folder: hidden workbook files
// under the temporary pattern, never anything else.
void removeLeftovers(const QString &folder)
{
    const QRegularExpression leftover(u"^\\..+\\.xlsx?\\.[A-Za-z0-9]{6}$"_s, QRegularExpression::CaseInsensitiveOption);
    const QDir dir(folder);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        if (leftover.match(name).hasMatch())
            QFile::remove(dir.filePath(name));
    }
}

// The cause of a failed write: errno when the system gave one; a full disk
// is recognised by its free space as well, since not every path keeps errno.
QString causeOf(int errorNumber, const QString &folder, const QString &fallback)
{
    if (errorNumber == 0 || errorNumber == EIO) {
        const QStorageInfo storage(folder);
        if (storage.isValid() && storage.bytesAvailable() < 64 * 1024)
            errorNumber = ENOSPC;
    }
    return errorNumber != 0 ? osErrorText(errorNumber) : fallback;
}

// The reason a list is too long for the format; rows is the count with the
// header, 0 when the list grew past the limit while it was read.
QString tooLong(bool xlsx, std::size_t rows)
{
    const std::size_t limit = xlsx ? XlsxRowLimit : XlsRowLimit;
    const QString format = xlsx ? u"Excel工作表"_s : u"Excel 97-2003工作簿"_s;
    QString reason = rows != 0 ? u"共%1行，超过%2的%3行上限"_s.arg(rows).arg(format).arg(limit)
                               : u"行数超过%1的%2行上限"_s.arg(format).arg(limit);
    if (!xlsx)
        reason += u"，请另存为Excel 2007文件(*.xlsx)"_s;
    return reason;
}

} // namespace

void writeWorksheetFile(const QString &path, const Worksheet &sheet, SheetRows &rows)
{
    const QFileInfo target(path);
    if (target.fileName().isEmpty())
        throw AppError(cannotWrite(path, u"文件名为空，请输入文件名"_s));
    if (target.isDir())
        throw AppError(cannotWrite(path, osErrorText(EISDIR)));
    const QString folder = target.absolutePath();
    if (!QFileInfo(folder).isDir())
        throw AppError(cannotWrite(path, osErrorText(ENOENT)));
    // The temporary name is 8 bytes longer than the chosen one.
    if (QFile::encodeName(target.fileName()).size() + 8 > nameLimit(folder))
        throw AppError(cannotWrite(path, osErrorText(ENAMETOOLONG)));
    const bool xlsx = target.suffix().compare(u"xlsx"_s, Qt::CaseInsensitive) == 0;
    // An .xls sheet ends at row 65,536; rows past it would wrap round over the
    // first ones. The header takes one row. The count comes first, so that a
    // list too long is refused at once, before a row is read or a file made.
    const std::size_t rowLimit = xlsx ? XlsxRowLimit : XlsRowLimit;
    const std::size_t expected = rows.count();
    if (expected + 1 > rowLimit)
        throw AppError(cannotWrite(path, tooLong(xlsx, expected + 1)));

    removeLeftovers(folder);

    QByteArray pattern = QFile::encodeName(temporaryPattern(target));
    const int fd = mkstemp(pattern.data());
    if (fd < 0)
        throw AppError(cannotWrite(path, causeOf(errno, folder, u"无法建立临时文件"_s)));
    ::close(fd);
    const QString temp = QFile::decodeName(pattern);
    auto failWith = [&](const QString &reason) {
        QFile::remove(temp);
        throw AppError(cannotWrite(path, reason));
    };

    try {
        if (xlsx)
            writeXlsxFile(temp, sheet, rows, rowLimit);
        else
            writeXlsFile(temp, sheet, rows, expected, rowLimit);
    } catch (const SheetWriteError &e) {
        failWith(causeOf(e.errorNumber, folder, e.reason));
    } catch (const SheetTooLong &) {
        failWith(tooLong(xlsx, 0));
    } catch (...) {
        // A failed read of the rows: the caller reports it.
        QFile::remove(temp);
        throw;
    }
    // A temporary file is private to its owner; the export is an ordinary file.
    QFile::setPermissions(temp, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                    | QFileDevice::ReadOther);

    std::error_code error;
    std::filesystem::rename(std::filesystem::path(temp.toStdU16String()),
                            std::filesystem::path(target.absoluteFilePath().toStdU16String()), error);
    if (error)
        failWith(causeOf(error.value(), folder, QString::fromLocal8Bit(error.message())));
}
