// Workbooks written by the export, read back by FreeXL, a reader that shares
// no code with the writer.
#include "admin/winnerslist.h"
#include "sheets/worksheetwriter.h"
#include "base/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <freexl.h>

using namespace Qt::StringLiterals;

namespace {

using Table = std::vector<QStringList>;

// Every cell of the first sheet as text; empty cells as empty text.
Table readWithFreeXL(const QString &path, QString *sheetName, unsigned *biff)
{
    const void *handle = nullptr;
    const QByteArray name = QFile::encodeName(path);
    Table out;
    if (freexl_open(name.constData(), &handle) != FREEXL_OK) {
        freexl_close(handle);
        return out;
    }
    freexl_get_info(handle, FREEXL_BIFF_VERSION, biff);
    const char *sheet = nullptr;
    if (freexl_get_worksheet_name(handle, 0, &sheet) == FREEXL_OK && sheet)
        *sheetName = QString::fromUtf8(sheet);
    unsigned rows = 0;
    unsigned short columns = 0;
    if (freexl_select_active_worksheet(handle, 0) == FREEXL_OK
        && freexl_worksheet_dimensions(handle, &rows, &columns) == FREEXL_OK) {
        for (unsigned r = 0; r < rows; ++r) {
            QStringList row;
            for (unsigned short c = 0; c < columns; ++c) {
                FreeXL_CellValue cell;
                if (freexl_get_cell_value(handle, r, c, &cell) == FREEXL_OK
                    && (cell.type == FREEXL_CELL_SST_TEXT || cell.type == FREEXL_CELL_TEXT))
                    row << QString::fromUtf8(cell.value.text_value);
                else
                    row << QString();
            }
            out.push_back(row);
        }
    }
    freexl_close(handle);
    return out;
}

Table expectedTable(const Worksheet &sheet)
{
    Table t;
    QStringList header;
    for (const Worksheet::Column &c : sheet.columns)
        header << c.header;
    t.push_back(header);
    for (const QStringList &row : sheet.rows)
        t.push_back(row);
    return t;
}

std::vector<ListedWinner> winners(int count, const QString &longText = {})
{
    std::vector<ListedWinner> out;
    for (int i = 0; i < count; ++i) {
        out.push_back({QString::number(100000 + i), u"员工"_s + QString::number(i) + longText,
                       u"第"_s + QString::number(i % 7 + 1) + u"等奖"_s, i % 3 ? u"电视机"_s : u"O'Brien \"牌\" 冰箱"_s,
                       i % 2 ? u"一厂"_s : QString(), i % 7 + 1});
    }
    return out;
}

} // namespace

class TestWorksheetWriter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void xlsReadsBack_data();
    void xlsReadsBack();
    void xlsxIsAZipWorkbook();
    void failureNamesChosenFileAndCause_data();
    void failureNamesChosenFileAndCause();
    void leftoverOfInterruptedExportRemoved();
    void listLongerThanXlsRefusedFileKept();
};

void TestWorksheetWriter::xlsReadsBack_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("longText");
    QTest::addRow("empty list") << 0 << QString();
    QTest::addRow("three winners") << 3 << QString();
    // Shared strings run over many CONTINUE records.
    QTest::addRow("ten thousand winners") << 10000 << QString();
    // Strings that do not fit in what is left of a record are split inside
    // their characters. (FreeXL reads a string over at most two records.)
    QTest::addRow("strings split over records") << 40 << QString(3000, QChar(0x5F20));
    // With the header, as many rows as an .xls sheet holds.
    QTest::addRow("a full sheet") << int(XlsRowLimit - 1) << QString();
}

void TestWorksheetWriter::xlsReadsBack()
{
    QFETCH(int, count);
    QFETCH(QString, longText);
    const Worksheet sheet = winnersWorksheet(winners(count, longText));
    QTemporaryDir dir;
    const QString path = dir.path() + u"/名单.xls"_s;
    writeWorksheetFile(path, sheet);

    QString sheetName;
    unsigned biff = 0;
    const Table table = readWithFreeXL(path, &sheetName, &biff);
    QCOMPARE(biff, unsigned(FREEXL_BIFF_VER_8));
    QCOMPARE(sheetName, u"中奖名单"_s);
    QCOMPARE(table.size(), size_t(count + 1));
    const Table expected = expectedTable(sheet);
    for (size_t r = 0; r < table.size(); ++r)
        QCOMPARE(table[r], expected[r]);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"名单.xls"_s});
}

void TestWorksheetWriter::xlsxIsAZipWorkbook()
{
    QTemporaryDir dir;
    const QString path = dir.path() + u"/名单.xlsx"_s;
    writeWorksheetFile(path, winnersWorksheet(winners(3)));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.read(4), QByteArray("PK\x03\x04", 4));
    QCOMPARE(f.permissions() & QFileDevice::ReadOther, QFileDevice::ReadOther);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"名单.xlsx"_s});
}

void TestWorksheetWriter::failureNamesChosenFileAndCause_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("cause");
    for (const char *ext : {"xls", "xlsx"}) {
        const QString e = QString::fromLatin1(ext);
        QTest::addRow("%s in a missing folder", ext) << u"无此文件夹/名单."_s + e << u"文件夹不存在"_s;
        QTest::addRow("%s name too long", ext) << QString(90, QChar(0x540D)) + u"."_s + e << u"文件名太长"_s;
        QTest::addRow("%s over a folder", ext) << u"同名."_s + e << u"同名的文件夹已存在"_s;
    }
}

void TestWorksheetWriter::failureNamesChosenFileAndCause()
{
    QFETCH(QString, name);
    QFETCH(QString, cause);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(u"同名.xls"_s) && QDir(dir.path()).mkdir(u"同名.xlsx"_s));
    const QString path = dir.path() + u'/' + name;
    try {
        writeWorksheetFile(path, winnersWorksheet(winners(3)));
        QFAIL("the export was reported as written");
    } catch (const AppError &e) {
        QVERIFY2(e.text().contains(QDir::toNativeSeparators(path)), qPrintable(e.text()));
        QVERIFY2(e.text().contains(cause), qPrintable(e.text()));
        QVERIFY2(!e.text().contains(u"XXXXXX"_s) && !e.text().contains(u"Unknown"_s), qPrintable(e.text()));
    }
    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    QVERIFY2(left.isEmpty(), qPrintable(left.join(u' ')));
}

void TestWorksheetWriter::leftoverOfInterruptedExportRemoved()
{
    QTemporaryDir dir;
    const QDir d(dir.path());
    const QStringList before{u".名单.xls.a1B2c3"_s, u".旧.xlsx.Zz9yX8"_s};
    const QStringList others{u".名单.xls.bak"_s, u"名单.xls.a1B2c3"_s, u"员工.txt"_s};
    for (const QString &name : before + others) {
        QFile f(d.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("partial");
    }
    writeWorksheetFile(d.filePath(u"新.xlsx"_s), winnersWorksheet(winners(2)));
    QStringList expected = others;
    expected << u"新.xlsx"_s;
    expected.sort();
    QStringList after = d.entryList(QDir::Files | QDir::Hidden);
    after.sort();
    QCOMPARE(after, expected);
}

// Rows past the last one of an .xls sheet would wrap round over the first;
// the export is refused, the file already there stays, .xlsx takes the list.
void TestWorksheetWriter::listLongerThanXlsRefusedFileKept()
{
    QTemporaryDir dir;
    const QString path = dir.path() + u"/名单.xls"_s;
    writeWorksheetFile(path, winnersWorksheet(winners(3)));
    QFile before(path);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray kept = before.readAll();
    before.close();

    const Worksheet sheet = winnersWorksheet(winners(int(XlsRowLimit)));
    try {
        writeWorksheetFile(path, sheet);
        QFAIL("a list longer than an .xls sheet was reported as written");
    } catch (const AppError &e) {
        QVERIFY2(e.text().contains(QDir::toNativeSeparators(path)), qPrintable(e.text()));
        QVERIFY2(e.text().contains(u"65536行上限"_s) && e.text().contains(u"*.xlsx"_s), qPrintable(e.text()));
    }
    QFile after(path);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), kept);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"名单.xls"_s});

    writeWorksheetFile(dir.path() + u"/名单.xlsx"_s, sheet);
    QVERIFY(QFileInfo(dir.path() + u"/名单.xlsx"_s).size() > 0);
}

QTEST_MAIN(TestWorksheetWriter)
#include "tst_worksheetwriter.moc"
