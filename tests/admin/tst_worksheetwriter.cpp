// Workbooks written by the export, read back by FreeXL, a reader that shares
// no code with the writer.
#include "admin/drawrecordsheet.h"
#include "admin/winnerslist.h"
#include "sheets/worksheetwriter.h"
#include "base/errors.h"
#include "store/database.h"
#include "store/drawlog.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <freexl.h>

using namespace Qt::StringLiterals;

namespace {

// Cells as FreeXL gives them: text as QString, numbers as double, empty cells
// invalid.
using Table = std::vector<QVariantList>;

struct ReadBack {
    Table table;
    QString sheetName;
    unsigned biff = 0;
    unsigned sharedCount = 0;
    QStringList sharedStrings; // FreeXL gives the first 65,536
};

ReadBack readWithFreeXL(const QString &path)
{
    const void *handle = nullptr;
    const QByteArray name = QFile::encodeName(path);
    ReadBack out;
    if (freexl_open(name.constData(), &handle) != FREEXL_OK) {
        freexl_close(handle);
        return out;
    }
    freexl_get_info(handle, FREEXL_BIFF_VERSION, &out.biff);
    freexl_get_info(handle, FREEXL_BIFF_STRING_COUNT, &out.sharedCount);
    for (unsigned i = 0; i < std::min(out.sharedCount, 65536u); ++i) {
        const char *s = nullptr;
        if (freexl_get_SST_string(handle, static_cast<unsigned short>(i), &s) == FREEXL_OK && s)
            out.sharedStrings << QString::fromUtf8(s);
    }
    const char *sheet = nullptr;
    if (freexl_get_worksheet_name(handle, 0, &sheet) == FREEXL_OK && sheet)
        out.sheetName = QString::fromUtf8(sheet);
    unsigned rows = 0;
    unsigned short columns = 0;
    if (freexl_select_active_worksheet(handle, 0) == FREEXL_OK
        && freexl_worksheet_dimensions(handle, &rows, &columns) == FREEXL_OK) {
        for (unsigned r = 0; r < rows; ++r) {
            QVariantList row;
            for (unsigned short c = 0; c < columns; ++c) {
                FreeXL_CellValue cell;
                QVariant v;
                if (freexl_get_cell_value(handle, r, c, &cell) == FREEXL_OK) {
                    if (cell.type == FREEXL_CELL_SST_TEXT || cell.type == FREEXL_CELL_TEXT)
                        v = QString::fromUtf8(cell.value.text_value);
                    else if (cell.type == FREEXL_CELL_INT)
                        v = double(cell.value.int_value);
                    else if (cell.type == FREEXL_CELL_DOUBLE)
                        v = cell.value.double_value;
                }
                row << v;
            }
            out.table.push_back(row);
        }
    }
    freexl_close(handle);
    return out;
}

QVariant textCell(const QString &s) { return s.isEmpty() ? QVariant() : QVariant(s); }

Table expectedTable(const Worksheet &sheet, const std::vector<ListedWinner> &rows)
{
    Table t;
    QVariantList header;
    for (const Worksheet::Column &c : sheet.columns)
        header << c.header;
    t.push_back(header);
    for (const ListedWinner &w : rows) {
        QVariantList row;
        for (const WinnersListColumn &c : winnersListColumns())
            row << textCell(w.*c.field);
        t.push_back(row);
    }
    return t;
}

// Names repeat every `period` winners when it is not 0.
std::vector<ListedWinner> winners(int count, const QString &longText = {}, int period = 0)
{
    std::vector<ListedWinner> out;
    for (int i = 0; i < count; ++i) {
        out.push_back({QString::number(100000 + i), u"员工"_s + QString::number(period ? i % period : i) + longText,
                       u"第"_s + QString::number(i % 7 + 1) + u"等奖"_s, i % 3 ? u"电视机"_s : u"O'Brien \"牌\" 冰箱"_s,
                       i % 2 ? u"一厂"_s : QString(), i % 7 + 1});
    }
    return out;
}

// The winners in a database of their own, with their prize items.
void storeWinners(TempDb &tmp, const std::vector<ListedWinner> &rows)
{
    Transaction tx(tmp.db());
    std::map<int, int> items;
    for (const ListedWinner &w : rows) {
        if (!items.count(w.RecNo))
            items[w.RecNo] = tmp.addItem(w.RecNo, w.ItemName, w.Awards, 1000000, 1);
        tmp.exec(u"insert into AwardList(sNo, sName, sTime, sCompCode) values(?,?,?,?)"_s,
                 {w.sNo, w.sName, items[w.RecNo], w.sCompCode});
    }
    tx.commit();
}

// Rows made up as they are asked for, which count what was asked.
class MadeRows : public SheetRows {
public:
    MadeRows(std::size_t counted, std::size_t delivered, std::size_t failAt = 0)
        : m_counted(counted), m_delivered(delivered), m_failAt(failAt)
    {}
    std::size_t count() override
    {
        ++counts;
        return m_counted;
    }
    bool next(std::vector<SheetCell> &cells) override
    {
        if (read == m_delivered)
            return false;
        if (m_failAt != 0 && read + 1 == m_failAt)
            throw AppError(u"读取中奖名单失败"_s);
        ++read;
        for (size_t c = 0; c < cells.size(); ++c)
            cells[c] = u"r"_s + QString::number(read) + u"c"_s + QString::number(c);
        return true;
    }
    int counts = 0;
    std::size_t read = 0;

private:
    std::size_t m_counted;
    std::size_t m_delivered;
    std::size_t m_failAt;
};

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestWorksheetWriter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void xlsReadsBack_data();
    void xlsReadsBack();
    void drawRecordNumbersAreNumbers();
    void xlsxIsAZipWorkbook();
    void failureNamesChosenFileAndCause_data();
    void failureNamesChosenFileAndCause();
    void leftoverOfInterruptedExportRemoved();
    void listTooLongOrUnreadableRefusedFileKept_data();
    void listTooLongOrUnreadableRefusedFileKept();
};

void TestWorksheetWriter::xlsReadsBack_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("longText");
    QTest::addColumn<int>("period");
    QTest::addColumn<bool>("fromDatabase");
    QTest::addRow("empty list") << 0 << QString() << 0 << false;
    QTest::addRow("three winners") << 3 << QString() << 0 << false;
    // Shared strings run over many CONTINUE records.
    QTest::addRow("ten thousand winners") << 10000 << QString() << 0 << false;
    // Strings that do not fit in what is left of a record are split inside
    // their characters. (FreeXL reads a string over at most two records.)
    QTest::addRow("strings split over records") << 40 << QString(3000, QChar(0x5F20)) << 0 << false;
    // More texts met again than are kept whole: the rest are found by their
    // hash and confirmed from the scratch file, and still stored once.
    QTest::addRow("many repeated texts") << 30000 << QString() << 6000 << false;
    // With the header, as many rows as an .xls sheet holds.
    QTest::addRow("a full sheet") << int(XlsRowLimit - 1) << QString() << 0 << false;
    QTest::addRow("read from the database") << 5000 << QString() << 0 << true;
}

void TestWorksheetWriter::xlsReadsBack()
{
    QFETCH(int, count);
    QFETCH(QString, longText);
    QFETCH(int, period);
    QFETCH(bool, fromDatabase);
    std::vector<ListedWinner> rows = winners(count, longText, period);
    QTemporaryDir dir;
    const QString path = dir.path() + u"/名单.xls"_s;
    if (fromDatabase) {
        TempDb tmp;
        storeWinners(tmp, rows);
        rows = loadWinnersList(tmp.db());
        QCOMPARE(rows.size(), size_t(count));
        saveWinnersList(path, tmp.db());
    } else {
        saveWinnersList(path, rows);
    }

    const ReadBack back = readWithFreeXL(path);
    QCOMPARE(back.biff, unsigned(FREEXL_BIFF_VER_8));
    QCOMPARE(back.sheetName, u"中奖名单"_s);
    QCOMPARE(back.table.size(), size_t(count + 1));
    // Codes stay text: their leading zeros and their width are the person's.
    const Table expected = expectedTable(winnersSheet(), rows);
    for (size_t r = 0; r < back.table.size(); ++r)
        QCOMPARE(back.table[r], expected[r]);
    // Every text of the sheet once in the shared strings, as the format wants.
    QSet<QString> texts;
    for (const QVariantList &row : expected) {
        for (const QVariant &v : row) {
            if (v.isValid())
                texts.insert(v.toString().left(32767));
        }
    }
    QCOMPARE(back.sharedCount, unsigned(texts.size()));
    const QSet<QString> shared(back.sharedStrings.begin(), back.sharedStrings.end());
    QCOMPARE(shared.size(), back.sharedStrings.size());
    QVERIFY(texts.contains(shared));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"名单.xls"_s});
}

// Record numbers and item numbers are numbers to sort and count by; codes
// stay text; a record without an item leaves its number empty.
void TestWorksheetWriter::drawRecordNumbersAreNumbers()
{
    TempDb tmp;
    DrawRecord won{0,           u"2026-01-01 20:00:01"_s, u"中奖"_s, 3,         u"一等奖"_s, u"冰箱"_s,
                   u"000123"_s, u"欧阳·娜娜"_s,           u"一厂"_s, u"随机"_s, {}};
    appendDrawRecord(tmp.db(), won);
    DrawRecord reset{0, u"2026-01-01 21:00:00"_s, u"重置"_s, 0, {}, {}, {}, {}, {}, {}, {}};
    appendDrawRecord(tmp.db(), reset);
    QTemporaryDir dir;
    const QString path = dir.path() + u"/记录.xls"_s;
    saveDrawRecord(path, tmp.db());

    const ReadBack back = readWithFreeXL(path);
    QCOMPARE(back.sheetName, u"抽奖记录"_s);
    QCOMPARE(back.table.size(), size_t(3));
    QCOMPARE(back.table[0][0], QVariant(u"序号"_s));
    QCOMPARE(back.table[0][3], QVariant(u"奖项编号"_s));
    const QVariantList first{1.0,         u"2026-01-01 20:00:01"_s, u"中奖"_s, 3.0,       u"一等奖"_s, u"冰箱"_s,
                             u"000123"_s, u"欧阳·娜娜"_s,           u"一厂"_s, u"随机"_s, {}};
    QCOMPARE(back.table[1], first);
    QCOMPARE(back.table[2][0], QVariant(2.0));
    QCOMPARE(back.table[2][2], QVariant(u"重置"_s));
    QVERIFY(!back.table[2][3].isValid());
}

void TestWorksheetWriter::xlsxIsAZipWorkbook()
{
    QTemporaryDir dir;
    const QString path = dir.path() + u"/名单.xlsx"_s;
    saveWinnersList(path, winners(3));
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
        saveWinnersList(path, winners(3));
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
    saveWinnersList(d.filePath(u"新.xlsx"_s), winners(2));
    QStringList expected = others;
    expected << u"新.xlsx"_s;
    expected.sort();
    QStringList after = d.entryList(QDir::Files | QDir::Hidden);
    after.sort();
    QCOMPARE(after, expected);
}

void TestWorksheetWriter::listTooLongOrUnreadableRefusedFileKept_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<qulonglong>("counted");
    QTest::addColumn<qulonglong>("delivered");
    QTest::addColumn<qulonglong>("failAt");
    QTest::addColumn<qulonglong>("readBeforeRefusal");
    QTest::addColumn<QString>("message");
    const qulonglong xlsRows = XlsRowLimit;
    // Rows past the last one of an .xls sheet would wrap round over the
    // first: the count refuses the list before a row is read.
    QTest::addRow("counted too long for xls")
        << u"xls"_s << xlsRows << xlsRows << 0ull << 0ull << u"共65537行，超过Excel 97-2003工作簿的65536行上限"_s;
    QTest::addRow("counted too long for xlsx") << u"xlsx"_s << qulonglong(XlsxRowLimit) << 0ull << 0ull << 0ull
                                               << u"共1048577行，超过Excel工作表的1048576行上限"_s;
    // The list grew after it was counted (another program drew meanwhile).
    QTest::addRow("grew past xls while read")
        << u"xls"_s << 3ull << xlsRows << 0ull << xlsRows << u"行数超过Excel 97-2003工作簿的65536行上限"_s;
    QTest::addRow("reading fails, xls") << u"xls"_s << 100ull << 100ull << 40ull << 39ull << u"读取中奖名单失败"_s;
    QTest::addRow("reading fails, xlsx") << u"xlsx"_s << 100ull << 100ull << 40ull << 39ull << u"读取中奖名单失败"_s;
}

// The file already there stays as it was and nothing is left beside it.
void TestWorksheetWriter::listTooLongOrUnreadableRefusedFileKept()
{
    QFETCH(QString, suffix);
    QFETCH(qulonglong, counted);
    QFETCH(qulonglong, delivered);
    QFETCH(qulonglong, failAt);
    QFETCH(qulonglong, readBeforeRefusal);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString name = u"名单."_s + suffix;
    const QString path = dir.path() + u'/' + name;
    saveWinnersList(path, winners(3));
    const QByteArray kept = contents(path);
    QVERIFY(!kept.isEmpty());

    MadeRows rows(counted, delivered, failAt);
    try {
        writeWorksheetFile(path, winnersSheet(), rows);
        QFAIL("the list was reported as written");
    } catch (const AppError &e) {
        QVERIFY2(e.text().contains(message), qPrintable(e.text()));
        if (failAt == 0) {
            QVERIFY2(e.text().contains(QDir::toNativeSeparators(path)), qPrintable(e.text()));
            QCOMPARE(e.text().contains(u"*.xlsx"_s), suffix == u"xls"_s);
        }
    }
    QCOMPARE(rows.counts, 1);
    QCOMPARE(rows.read, readBeforeRefusal);
    QCOMPARE(contents(path), kept);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
}

QTEST_MAIN(TestWorksheetWriter)
#include "tst_worksheetwriter.moc"
