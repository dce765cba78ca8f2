#include "sheets/worksheetwriter.h"

#include "sheets/biff8workbook.h"
#include "sheets/xlsxworkbook.h"
#include "base/errors.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <filesystem>

using namespace Qt::StringLiterals;

namespace {

QString cannotWrite(const QString &path, const QString &reason)
{
    return u"无法写入文件\""_s + QDir::toNativeSeparators(path) + u"\": "_s + reason;
}

} // namespace

void writeWorksheetFile(const QString &path, const Worksheet &sheet)
{
    const QFileInfo target(path);
    if (target.fileName().isEmpty())
        throw AppError(cannotWrite(path, u"文件名为空"_s));
    if (target.isDir())
        throw AppError(cannotWrite(path, u"同名的文件夹已存在"_s));

    QTemporaryFile temp(target.absolutePath() + u"/."_s + target.fileName() + u".XXXXXX"_s);
    if (!temp.open())
        throw AppError(cannotWrite(path, temp.errorString()));

    if (target.suffix().compare(u"xlsx"_s, Qt::CaseInsensitive) == 0) {
        temp.close();
        writeXlsxFile(temp.fileName(), sheet);
    } else {
        const QByteArray bytes = xlsFileBytes(sheet);
        if (temp.write(bytes) != bytes.size() || !temp.flush())
            throw AppError(cannotWrite(path, temp.errorString()));
        temp.close();
    }
    // A temporary file is private to its owner; the export is an ordinary file.
    temp.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                        | QFileDevice::ReadOther);

    std::error_code error;
    std::filesystem::rename(std::filesystem::path(temp.fileName().toStdU16String()),
                            std::filesystem::path(target.absoluteFilePath().toStdU16String()), error);
    if (error)
        throw AppError(cannotWrite(path, QString::fromLocal8Bit(error.message())));
    temp.setAutoRemove(false);
}
