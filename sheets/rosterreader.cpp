#include "sheets/rosterreader.h"

#include "sheets/biffreader.h"
#include "sheets/olecontainer.h"
#include "sheets/textroster.h"

#include <QDir>
#include <QFile>
#include <charconv>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Roster files are a few megabytes; anything far larger is not one.
constexpr qint64 LargestRosterFile = 512ll * 1024 * 1024;

class SheetRoster : public RosterReader {
public:
    explicit SheetRoster(SheetCells cells) : m_cells(std::move(cells)) {}
    QString cell(int row, int column) const override { return m_cells.at(row - 1, column - 1); }

private:
    SheetCells m_cells;
};

[[noreturn]] void fail(const QString &path, const QString &why)
{
    throw RosterFileError(u"文件“"_s + QDir::toNativeSeparators(path) + u"”"_s + why);
}

} // namespace

QString shortestNumberText(double value)
{
    if (value == 0)
        return u"0"_s;
    char buffer[64];
    // Plain digits for the numbers a sheet usually holds, an exponent for very
    // large and very small ones, the way a cell that is wide enough shows them.
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    const char *e = std::find(buffer, result.ptr, 'e');
    int exponent = 0;
    if (e != result.ptr)
        std::from_chars(e + 1 + (e[1] == '+' ? 1 : 0), result.ptr, exponent);
    if (std::isfinite(value) && exponent >= -4 && exponent < 16)
        result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

std::unique_ptr<RosterReader> RosterReader::open(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(path, u"无法打开：%1"_s.arg(file.errorString()));
    if (file.size() > LargestRosterFile)
        fail(path, u"太大，不是员工资料文件。"_s);
    const QByteArray bytes = file.readAll();
    if (bytes.size() != file.size())
        fail(path, u"读取失败：%1"_s.arg(file.errorString()));
    file.close();

    try {
        if (Ole::isCompoundFile(bytes)) {
            return std::make_unique<SheetRoster>(Biff::readFirstWorksheet(Ole::workbookStream(bytes)));
        }
        if (Biff::looksLikeBiff(bytes))
            return std::make_unique<SheetRoster>(Biff::readFirstWorksheet(bytes));
    } catch (const Biff::Error &error) {
        switch (error.failure) {
        case Biff::Failure::Encrypted:
            fail(path, u"设有密码保护，请先在Excel中取消密码再导入。"_s);
        case Biff::Failure::NoWorksheet:
            fail(path, u"中没有工作表。"_s);
        case Biff::Failure::Corrupt:
            break;
        }
        fail(path, u"已损坏或不完整，无法读取。"_s);
    }
    if (bytes.startsWith("PK\x03\x04"))
        fail(path, u"是Excel 2007及以后版本的工作簿(.xlsx)，请另存为Excel 97-2003 工作簿(.xls)后再导入。"_s);
    if (!TextRoster::looksLikeText(bytes))
        fail(path, u"不是Excel工作簿(.xls)或文本文件(.txt)。"_s);
    return std::make_unique<SheetRoster>(TextRoster::parse(TextRoster::decode(bytes)));
}
