// The roster readers against xlrd on real and generated workbooks, and the
// text file rules.
#include "sheets/biffreader.h"
#include "sheets/olecontainer.h"
#include "sheets/rosterreader.h"
#include "base/textcodec.h"

#include <QFile>
#include <QtEndian>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;
using QMapStringString = QMap<QString, QString>;

namespace {

const QString Python = u"/usr/bin/python3"_s;

QString sourceDir() { return QString::fromLocal8Bit(qgetenv("PRIZEDRAW_SOURCE_DIR")); }
QString fixtures() { return QString::fromLocal8Bit(qgetenv("PRIZEDRAW_SHARED_DIR")) + u"/fixtures/"_s; }

QString run(const QString &program, const QStringList &args, bool *ok = nullptr)
{
    QProcess p;
    p.start(program, args);
    const bool done = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (ok)
        *ok = done;
    if (!done)
        qWarning().noquote() << program << args << QString::fromUtf8(p.readAllStandardError());
    return QString::fromUtf8(p.readAllStandardOutput());
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

struct Grid {
    std::function<QString(int, int)> cell;
};

// Every cell of the first worksheet, one-based like the roster's rows.
Grid allCells(RosterReader &reader)
{
    auto cells = std::make_shared<SheetCells>();
    reader.readCells(*cells);
    return {[cells](int r, int c) { return cells->at(r - 1, c - 1); }};
}
// A refused file gives no cells, and its message as a warning.
Grid allCells(const QString &path)
{
    try {
        const auto reader = RosterReader::open(path);
        return allCells(*reader);
    } catch (const RosterFileError &e) {
        qWarning().noquote() << e.text();
        return {[](int, int) { return QString(); }};
    }
}

// The roster rows read() hands on, each as its four columns.
class Collected : public RosterSink {
public:
    bool row(int number, const RosterCells &cells) override
    {
        if (number != static_cast<int>(rows.size()) + 1)
            qWarning("row %d out of order", number);
        rows.push_back(QStringList(cells.begin(), cells.end()));
        return true;
    }
    bool idle() override
    {
        ++idles;
        return true;
    }
    std::vector<QStringList> rows;
    int idles = 0;
};

std::vector<QStringList> rosterRows(const QString &path)
{
    Collected sink;
    try {
        RosterReader::open(path)->read(sink);
    } catch (const RosterFileError &e) {
        qWarning().noquote() << e.text();
    }
    return sink.rows;
}

// The message of the refusal, or empty when the file is read.
QString refusal(const QString &path)
{
    try {
        Collected sink;
        RosterReader::open(path)->read(sink);
        return {};
    } catch (const RosterFileError &e) {
        return e.text();
    }
}

// Every cell xlrd reports, plus one column and one row beyond, must agree.
void compareWithXlrd(const QString &path, const Grid &ours, const QString &label)
{
    bool ok = false;
    const QString json = run(Python, {sourceDir() + u"/tests/import/xlrd_cells.py"_s, path}, &ok);
    QVERIFY2(ok, qPrintable(u"xlrd cannot read "_s + path));
    const QJsonArray rows = QJsonDocument::fromJson(json.toUtf8()).array();
    QVERIFY(!rows.isEmpty());
    for (int r = 0; r <= rows.size(); ++r) {
        const QJsonArray row = r < rows.size() ? rows[r].toArray() : QJsonArray();
        for (int c = 0; c <= row.size(); ++c) {
            const QString expected = c < row.size() ? row[c].toString() : QString();
            const QString actual = ours.cell(r + 1, c + 1);
            if (actual != expected)
                QFAIL(qPrintable(u"%1 %2 row %3 column %4: %5 instead of %6"_s.arg(label, path)
                                     .arg(r + 1)
                                     .arg(c + 1)
                                     .arg(actual, expected)));
        }
    }
}

} // namespace

class TestRosterReader : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString file(const QString &name) const { return m_dir.path() + u'/' + name; }

    // A compound file holding the streams given, as libgsf writes it.
    static void writeCompoundFile(const QString &path, const QList<std::pair<const char *, QByteArray>> &streams)
    {
        gsf_init();
        GError *error = nullptr;
        GsfOutput *out = gsf_output_stdio_new(QFile::encodeName(path).constData(), &error);
        QVERIFY(out);
        GsfOutfile *ole = gsf_outfile_msole_new(out);
        for (const auto &[name, bytes] : streams) {
            GsfOutput *stream = gsf_outfile_new_child(ole, name, FALSE);
            gsf_output_write(stream, static_cast<size_t>(bytes.size()),
                             reinterpret_cast<const guint8 *>(bytes.constData()));
            gsf_output_close(stream);
            g_object_unref(stream);
        }
        gsf_output_close(GSF_OUTPUT(ole));
        g_object_unref(ole);
        g_object_unref(out);
    }

    // A password-protected .xlsx is a compound file holding EncryptionInfo
    // and EncryptedPackage; libgsf writes one with made-up contents.
    void makeRefusedSamples()
    {
        if (QFile::exists(file(u"secret.xlsx"_s)))
            return;
        const QByteArray filler(5000, '\x5A');
        writeCompoundFile(file(u"secret.xlsx"_s), {{"EncryptionInfo", filler}, {"EncryptedPackage", filler}});
        writeCompoundFile(file(u"letter.doc"_s), {{"WordDocument", filler}, {"1Table", filler}});
        const QByteArray book = readAll(file(u"xlsxwriter_mixed.xlsx"_s));
        write(file(u"half.xlsx"_s), book.left(book.size() / 2));
        QFile picture(sourceDir() + u"/assets/delivered/setitem.jpg"_s);
        QVERIFY(picture.open(QIODevice::ReadOnly));
        write(file(u"picture.xls"_s), picture.read(20000));
        write(file(u"empty.csv"_s), {});

        // Damaged copies of real workbooks.
        const QByteArray formate = readAll(fixtures() + u"Formate.xls"_s);
        const QByteArray crossing = readAll(fixtures() + u"corrupted_error.xls"_s);
        QVERIFY(formate.size() > 4096 && crossing.size() > 900000);
        const auto le32 = [](const QByteArray &b, qsizetype at) {
            return qFromLittleEndian<qint32>(b.constData() + at);
        };
        const auto setLe32 = [](QByteArray &b, qsizetype at, qint32 v) { qToLittleEndian(v, b.data() + at); };
        write(file(u"cut438.xls"_s), formate.left(438));
        QByteArray noDirectory = formate;
        noDirectory.replace(512 + 512 * le32(formate, 48), 512, QByteArray(512, '\0'));
        write(file(u"nodirectory.xls"_s), noDirectory);
        QByteArray noName = formate;
        const qsizetype name = noName.indexOf(QByteArray("W\0o\0r\0k\0b\0o\0o\0k\0", 16));
        QVERIFY(name > 512);
        noName[name] = 'X';
        write(file(u"noname.xls"_s), noName);
        // corrupted_error.xls: its workbook stream runs from sector 2 to 1882,
        // its directory lies in sector 1883, its allocation table in 1884.
        const qsizetype table = 512 + 512 * le32(crossing, 76);
        QByteArray crossed = crossing;
        setLe32(crossed, table + 4 * 1000, 1883);
        write(file(u"crossed.xls"_s), crossed);
        QByteArray shortChain = crossing;
        setLe32(shortChain, table + 4 * 1000, -2);
        write(file(u"shortchain.xls"_s), shortChain);
        // biff5_gbk.xls: its one BOUNDSHEET record follows the BOF and CODEPAGE.
        QByteArray noSheets = readAll(file(u"biff5_gbk.xls"_s));
        QCOMPARE(noSheets.mid(18, 2), QByteArray("\x85\x00", 2));
        noSheets[18] = '\x3C'; // a CONTINUE record in its place
        write(file(u"nosheets.xls"_s), noSheets);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!QFile::exists(Python))
            QSKIP("python3 is missing");
        const QString tests = sourceDir() + u"/tests/import/"_s;
        bool ok = false;
        run(Python, {tests + u"make_xlwt.py"_s, m_dir.path()}, &ok);
        QVERIFY2(ok, "xlwt samples");
        run(Python, {tests + u"make_rawbiff.py"_s, m_dir.path()}, &ok);
        QVERIFY2(ok, "BIFF2-5 samples");
        run(Python, {tests + u"make_xlsx.py"_s, m_dir.path()}, &ok);
        QVERIFY2(ok, "xlsx samples (python3-openpyxl, python3-xlsxwriter)");
        run(Python, {tests + u"make_ods.py"_s, m_dir.path()}, &ok);
        QVERIFY2(ok, "ods samples (python3-odf)");
        run(u"perl"_s, {tests + u"make_writeexcel.pl"_s, m_dir.path()}, &ok);
        if (!ok)
            qWarning("Spreadsheet::WriteExcel missing: its sample is skipped");
    }

    void matchesXlrd_data()
    {
        QTest::addColumn<QString>("path");
        // corrupted_error.xls: two chains of its container cross, but not the
        // workbook stream's, which xlrd is given as taken by its size.
        for (const char *name :
             {"Formate.xls", "profiles.xls", "ragged.xls", "biff4_no_format_no_window2.xls", "corrupted_error.xls"})
            QTest::newRow(name) << fixtures() + QLatin1String(name);
        for (const char *name : {"xlwt_mixed.xls", "writeexcel.xls", "biff2.xls", "biff3.xls", "biff5_gbk.xls"})
            QTest::newRow(name) << file(QLatin1String(name));
    }
    // The chosen reader and the project's own BIFF reader both give what xlrd gives.
    void matchesXlrd()
    {
        QFETCH(QString, path);
        if (!QFile::exists(path))
            QSKIP("sample not available");
        compareWithXlrd(path, allCells(path), u"chosen reader"_s);

        const QByteArray bytes = readAll(path);
        SheetCells own;
        Biff::readFirstWorksheet(Ole::isCompoundFile(bytes) ? Ole::workbookStream(bytes) : bytes, own);
        compareWithXlrd(path, {[&](int r, int c) { return own.at(r - 1, c - 1); }}, u"own reader"_s);
    }

    // The workbook stream is found whatever the case of its name; a BIFF8
    // "Workbook" wins over an Excel 95 "Book" beside it.
    void workbookStreamNames_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("sources"); // each stream's workbook
        QTest::addColumn<QString>("readAs");
        const QString biff8 = file(u"xlwt_mixed.xls"_s), biff5 = file(u"biff5_gbk.xls"_s);
        for (const char *name : {"WorkBook", "WORKBOOK", "workbook"})
            QTest::newRow(name) << QStringList{QString::fromLatin1(name)} << QStringList{biff8} << biff8;
        QTest::newRow("BOOK") << QStringList{u"BOOK"_s} << QStringList{biff5} << biff5;
        QTest::newRow("BOOK beside workbook")
            << QStringList{u"BOOK"_s, u"workbook"_s} << QStringList{biff5, biff8} << biff8;
    }
    void workbookStreamNames()
    {
        QFETCH(QStringList, names);
        QFETCH(QStringList, sources);
        QFETCH(QString, readAs);
        QList<QByteArray> names8;
        QList<std::pair<const char *, QByteArray>> streams;
        for (qsizetype i = 0; i < names.size(); ++i) {
            names8.append(names[i].toLatin1());
            const QByteArray whole = readAll(sources[i]);
            streams.append({nullptr, Ole::isCompoundFile(whole) ? Ole::workbookStream(whole) : whole});
        }
        for (qsizetype i = 0; i < names.size(); ++i)
            streams[i].first = names8[i].constData();
        writeCompoundFile(file(u"streams.xls"_s), streams);
        QCOMPARE(refusal(file(u"streams.xls"_s)), QString());
        const auto expected = rosterRows(readAs);
        QVERIFY(expected.size() >= 3);
        QCOMPARE(rosterRows(file(u"streams.xls"_s)), expected);
    }

    void firstRowOfFixtures()
    {
        if (!QFile::exists(fixtures() + u"Formate.xls"_s))
            QSKIP("fixtures not available");
        const auto formate = rosterRows(fixtures() + u"Formate.xls"_s);
        QCOMPARE(formate.size(), size_t(10));
        QCOMPARE(formate[0], (QStringList{u"Huber"_s, u"2741"_s, u""_s, u""_s}));
        QCOMPARE(formate[1][0], u"Äcker"_s);
        QCOMPARE(rosterRows(fixtures() + u"biff4_no_format_no_window2.xls"_s)[0][3], u"SUB"_s);
    }

    void unreadableFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray formate = readAll(fixtures() + u"Formate.xls"_s);
        QTest::newRow("truncated workbook") << u"cut.xls"_s << formate.left(formate.size() / 2);
        QTest::newRow("truncated header") << u"head.xls"_s << formate.left(300);
        QByteArray scrambled = formate;
        for (qsizetype i = 512; i < scrambled.size(); i += 7)
            scrambled[i] = static_cast<char>(scrambled[i] ^ 0x5A);
        QTest::newRow("scrambled workbook") << u"scrambled.xls"_s << scrambled;
        QTest::newRow("binary") << u"data.txt"_s << QByteArray("\x01\x02\0\0\x05garbage", 12);
        QTest::newRow("zip cut short") << u"new.xls"_s << QByteArray("PK\x03\x04 rest of a zip");
        QTest::newRow("cut BIFF4") << u"old.xls"_s
                                   << readAll(fixtures() + u"biff4_no_format_no_window2.xls"_s).left(1000);
    }
    // A clear message naming the file; nothing thrown but RosterFileError.
    void unreadableFiles()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        write(file(name), bytes);
        const QString message = refusal(file(name));
        QVERIFY2(message.contains(name), qPrintable(message));
    }

    void missingFile()
    {
        const QString message = refusal(file(u"missing.xls"_s));
        QVERIFY2(message.contains(u"missing.xls"_s), qPrintable(message));
    }

    void textFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("row1");
        QTest::addColumn<QStringList>("row2");
        const QStringList zhang{u"一厂"_s, u"财务部"_s, u"张三"_s, u"12"_s};
        const QStringList li{u"二厂"_s, u""_s, u"李四"_s, u"A002"_s};
        const QString text = u"一厂\t财务部\t张三\t0012\n二厂\t\t李四\tA002\n"_s;
        QTest::newRow("gbk lf") << Gbk::encode(text) << zhang << li;
        QTest::newRow("gbk crlf") << Gbk::encode(QString(text).replace(u"\n"_s, u"\r\n"_s)) << zhang << li;
        QTest::newRow("utf8") << text.toUtf8() << zhang << li;
        QTest::newRow("utf8 bom crlf") << QByteArray("\xEF\xBB\xBF")
                                              + QString(text).replace(u"\n"_s, u"\r\n"_s).toUtf8()
                                       << zhang << li;
        QTest::newRow("utf16 bom") << QByteArray("\xFF\xFE")
                                          + QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2)
                                   << zhang << li;
        QTest::newRow("lone cr") << QString(text).replace(u"\n"_s, u"\r"_s).toUtf8() << zhang << li;
        QTest::newRow("quotes")
            << u"\"O'Neil\t\"\"Jr\"\"\"\t'; delete from EmpNo --\t\"0012\"\n\"unclosed\tx\n"_s.toUtf8()
            << QStringList{u"O'Neil\t\"Jr\""_s, u"'; delete from EmpNo --"_s, u"12"_s, u""_s}
            << QStringList{u"unclosed\tx"_s, u""_s, u""_s, u""_s};
        QTest::newRow("numbers and blanks") << u" a \t1.50\t-3e2\t123456789012345678\n+7\t1,000\t.5\t 12\n"_s.toUtf8()
                                            << QStringList{u" a "_s, u"1.5"_s, u"-300"_s, u"123456789012345678"_s}
                                            << QStringList{u"7"_s, u"1,000"_s, u"0.5"_s, u" 12"_s};
    }
    void textFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, row1);
        QFETCH(QStringList, row2);
        write(file(u"roster.txt"_s), bytes);
        const auto rows = rosterRows(file(u"roster.txt"_s));
        QCOMPARE(rows.size(), size_t(2));
        QCOMPARE(rows[0], row1);
        QCOMPARE(rows[1], row2);
    }

    // The content decides, not the name.
    void extensionThatLies()
    {
        write(file(u"text.xls"_s), u"一厂\t部门\t张三\t7"_s.toUtf8());
        QCOMPARE(rosterRows(file(u"text.xls"_s))[0][2], u"张三"_s);
        if (!QFile::exists(fixtures() + u"Formate.xls"_s))
            QSKIP("fixtures not available");
        write(file(u"book.txt"_s), readAll(fixtures() + u"Formate.xls"_s));
        QCOMPARE(rosterRows(file(u"book.txt"_s))[0][0], u"Huber"_s);
        write(file(u"book.csv"_s), readAll(file(u"xlsxwriter_mixed.xlsx"_s)));
        QCOMPARE(rosterRows(file(u"book.csv"_s))[0][2], u"张三"_s);
    }

    void matchesOpenpyxl_data()
    {
        QTest::addColumn<QString>("path");
        // Cells where openpyxl keeps an _xHHHH_ escape that Excel shows decoded.
        QTest::addColumn<QMap<QString, QString>>("excelShows");
        for (const char *name : {"excel-autofilter01.xlsx", "excel-outline01.xlsx", "excel-date_1904_02.xlsx"})
            QTest::newRow(name) << fixtures() + QLatin1String(name) << QMap<QString, QString>{};
        const QString oneil = u"O'Neil\r\n\"Jr\""_s;
        QTest::newRow("xlsxwriter shared strings")
            << file(u"xlsxwriter_mixed.xlsx"_s) << QMap<QString, QString>{{u"4,3"_s, oneil}};
        QTest::newRow("xlsxwriter inline strings")
            << file(u"xlsxwriter_inline.xlsx"_s)
            << QMap<QString, QString>{{u"4,2"_s, u"a_x000D_b"_s}, {u"4,3"_s, oneil}};
        QTest::newRow("xlsxwriter 1904") << file(u"xlsxwriter_1904.xlsx"_s) << QMap<QString, QString>{};
        QTest::newRow("openpyxl") << file(u"openpyxl_mixed.xlsx"_s)
                                  << QMap<QString, QString>{{u"4,3"_s, u"x_x000D_y"_s}};
        QTest::newRow("values under merged ranges") << file(u"merged.xlsx"_s) << QMap<QString, QString>{};
        QTest::newRow("line ends in the XML")
            << file(u"crlf.xlsx"_s) << QMap<QString, QString>{{u"1,4"_s, u"e\r\nf"_s}};
        QTest::newRow("shared-string cells without value") << file(u"emptyshared.xlsx"_s) << QMap<QString, QString>{};
    }
    // Every cell of the first worksheet as openpyxl reads it, values as Excel shows them.
    void matchesOpenpyxl()
    {
        QFETCH(QString, path);
        QFETCH(QMapStringString, excelShows);
        if (!QFile::exists(path))
            QSKIP("sample not available");
        bool ok = false;
        const QString json = run(Python, {sourceDir() + u"/tests/import/openpyxl_cells.py"_s, path}, &ok);
        QVERIFY2(ok, qPrintable(u"openpyxl cannot read "_s + path));
        const QJsonArray rows = QJsonDocument::fromJson(json.toUtf8()).array();
        QVERIFY(!rows.isEmpty());
        const Grid ours = allCells(path);
        for (int r = 0; r <= rows.size(); ++r) {
            const QJsonArray row = r < rows.size() ? rows[r].toArray() : QJsonArray();
            for (int c = 0; c <= row.size(); ++c) {
                const QString key = u"%1,%2"_s.arg(r + 1).arg(c + 1);
                const QString expected = excelShows.value(key, c < row.size() ? row[c].toString() : QString());
                QCOMPARE(ours.cell(r + 1, c + 1), expected);
            }
        }
    }

    // Excel's escapes: _xHHHH_ stands for the character, _x005F_ for the
    // underscore of a literal escape; anything else stays as written.
    void escapedSharedStrings()
    {
        const QString path = fixtures() + u"excel-shared_strings02.xlsx"_s;
        if (!QFile::exists(path))
            QSKIP("fixtures not available");
        const QStringList shown{
            u"_"_s,       u"_x"_s,      u"_x0"_s,     u"_x00"_s,    u"_x000"_s,   u"_x0000"_s,         u"_x0000_"_s,
            u"_x005F_"_s, u"_x000G_"_s, u"_X0000_"_s, u"_x000a_"_s, u"_x000A_"_s, u"_x0000__x0000_"_s, u"__x0000__"_s};
        const Grid ours = allCells(path);
        for (int r = 0; r < shown.size(); ++r)
            QCOMPARE(ours.cell(r + 1, 1), shown[r]);
    }

    // The roster's view of the same workbooks: four columns, up to the first
    // row whose first column is empty, the first sheet only.
    void rosterRowsOfWorkbooks_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QList<QStringList>>("rows");
        const QList<QStringList> mixed{{u"一厂"_s, u"财务部"_s, u"张三"_s, u"12"_s},
                                       {u"一厂"_s, u"生产部"_s, u"李四"_s, u"#DIV/0!"_s},
                                       {u"一厂"_s, u"TRUE"_s, u"FALSE"_s, u"1012"_s},
                                       {u"43832.5"_s, u"a_x000D_b"_s, u"O'Neil\r\n\"Jr\""_s, u"1001.5"_s},
                                       {u"合并"_s, u""_s, u""_s, u"-0.001"_s},
                                       {u" 二厂 "_s, u""_s, u""_s, u"1e+20"_s}};
        QTest::newRow("xlsxwriter") << u"xlsxwriter_mixed.xlsx"_s << mixed;
        QTest::newRow("part names in another case") << u"casenames.xlsx"_s << mixed;
        QTest::newRow("part names with backslashes") << u"backslash.xlsx"_s << mixed;
        QTest::newRow("package descriptions lost") << u"lostnames.xlsx"_s << mixed;
        // Only a merged range's first cell shows; the values left under the
        // rest stay hidden (the .xlsx lists its ranges after the cells).
        const QList<QStringList> merged{{u"一厂"_s, u"部门"_s, u"张三"_s, u"1"_s},
                                        {u"一厂"_s, u"合并"_s, u""_s, u"2"_s},
                                        {u"二厂"_s, u"三"_s, u""_s, u""_s},
                                        {u"二厂"_s, u""_s, u""_s, u"4"_s}};
        QTest::newRow("xlsx merged") << u"merged.xlsx"_s << merged;
        QTest::newRow("xls merged") << u"merged.xls"_s << merged;
        QTest::newRow("ods covered cells") << u"covered.ods"_s
                                           << QList<QStringList>{{u"合并"_s, u""_s, u"张三"_s, u"1"_s},
                                                                 {u"二厂"_s, u"部门"_s, u"李四"_s, u"2"_s},
                                                                 {u"三厂"_s, u""_s, u"王五"_s, u"3"_s},
                                                                 {u"四厂"_s, u""_s, u""_s, u"4"_s}};
        // A formula's error as LibreOffice writes it, also in the first column.
        QTest::newRow("ods errors") << u"errors.ods"_s
                                    << QList<QStringList>{{u"#DIV/0!"_s, u"部门"_s, u"张三"_s, u"#N/A"_s},
                                                          {u"二厂"_s, u"#NAME?"_s, u"李四"_s, u"2"_s}};
        QTest::newRow("xlsx line ends") << u"crlf.xlsx"_s
                                        << QList<QStringList>{{u"一\n厂"_s, u"a\nb"_s, u"c\nd"_s, u"e\r\nf"_s},
                                                              {u"g\rh"_s, u"x\ny"_s, u""_s, u""_s}};
        QTest::newRow("shared-string cells without value")
            << u"emptyshared.xlsx"_s
            << QList<QStringList>{{u"一厂"_s, u""_s, u""_s, u"5"_s}, {u"张三"_s, u""_s, u""_s, u""_s}};
        const QList<QStringList> odfpy{
            {u"一厂"_s, u"财务部"_s, u"张三"_s, u"12"_s},    {u"一厂"_s, u"a   b\tc\nd"_s, u"李四"_s, u"1001.5"_s},
            {u"TRUE"_s, u"43832.5"_s, u"0.75"_s, u"0.05"_s}, {u"重复"_s, u"重复"_s, u""_s, u"1e+20"_s},
            {u"重复"_s, u"重复"_s, u""_s, u"1e+20"_s},       {u"二段"_s, u"#DIV/0!"_s, u"y"_s, u""_s}};
        QTest::newRow("odfpy") << u"odfpy_mixed.ods"_s << odfpy;
        QTest::newRow("ods without its mimetype") << u"nomimetype.ods"_s << odfpy;
        // A picture or shape anchored to a cell is no part of its text: a
        // first cell that holds only a picture is empty and ends the roster.
        QTest::newRow("ods pictures in cells") << u"pictures.ods"_s
                                               << QList<QStringList>{{u"一厂"_s, u"财务部"_s, u"李四"_s, u"7"_s},
                                                                     {u"二厂"_s, u"部门"_s, u"王五"_s, u"8"_s}};
        QTest::newRow("odfpy 1904") << u"odfpy_1904.ods"_s << QList<QStringList>{{u"1"_s, u""_s, u""_s, u""_s}};
    }
    void rosterRowsOfWorkbooks()
    {
        QFETCH(QString, name);
        QFETCH(QList<QStringList>, rows);
        const auto read = rosterRows(file(name));
        QCOMPARE(QList<QStringList>(read.begin(), read.end()), rows);
    }

    // read() hands on what its check kept of the sheet, without parsing it
    // again: the same as a whole pass gives, four columns up to the first row
    // whose first column is empty. The reader parses the sheet anew for a
    // pass that wants every column.
    void rosterRowsMatchWholePass_data()
    {
        QTest::addColumn<QString>("path");
        for (const char *name :
             {"xlsxwriter_mixed.xlsx", "xlsxwriter_inline.xlsx", "xlsxwriter_1904.xlsx", "openpyxl_mixed.xlsx",
              "odfpy_mixed.ods", "odfpy_1904.ods", "merged.xlsx", "merged.xls", "covered.ods", "errors.ods",
              "crlf.xlsx", "emptyshared.xlsx", "casenames.xlsx", "pictures.ods"})
            QTest::newRow(name) << file(QLatin1String(name));
        for (const char *name :
             {"excel-autofilter01.xlsx", "excel-outline01.xlsx", "excel-shared_strings02.xlsx", "corrupted_error.xls"})
            QTest::newRow(name) << fixtures() + QLatin1String(name);
    }
    void rosterRowsMatchWholePass()
    {
        QFETCH(QString, path);
        if (!QFile::exists(path))
            QSKIP("sample not available");
        const Grid whole = allCells(path);
        std::vector<QStringList> expected;
        for (int r = 1; !whole.cell(r, 1).isEmpty(); ++r)
            expected.push_back({whole.cell(r, 1), whole.cell(r, 2), whole.cell(r, 3), whole.cell(r, 4)});
        QVERIFY(!expected.empty());

        const auto reader = RosterReader::open(path);
        Collected rows;
        reader->read(rows);
        QCOMPARE(rows.rows, expected);
        const Grid again = allCells(*reader);
        for (int r = 1; r <= static_cast<int>(expected.size()) + 1; ++r) {
            for (int c = 1; c <= 8; ++c)
                QCOMPARE(again.cell(r, c), whole.cell(r, c));
        }
    }

    void refusedFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("says");
        QTest::newRow("encrypted xlsx") << u"secret.xlsx"_s << u"密码"_s;
        QTest::newRow("encrypted ods") << u"odfpy_encrypted.ods"_s << u"密码"_s;
        QTest::newRow("no sheet") << u"nosheet.xlsx"_s << u"没有工作表"_s;
        QTest::newRow("malformed sheet") << u"badxml.xlsx"_s << u"损坏：其中的“xl/worksheets/sheet1.xml”"_s;
        QTest::newRow("missing shared string") << u"badindex.xlsx"_s << u"损坏"_s;
        QTest::newRow("damaged after 2999 good rows") << u"latedamage.xlsx"_s << u"损坏"_s;
        QTest::newRow("scrambled zip") << u"scrambled.xlsx"_s << u"损坏或不完整(压缩包无法解开)"_s;
        QTest::newRow("truncated zip") << u"half.xlsx"_s << u"损坏或不完整(压缩包无法解开)"_s;
        QTest::newRow("zip of something else") << u"notabook.xlsx"_s << u"不是电子表格"_s;
        QTest::newRow("word document") << u"letter.docx"_s << u"不是电子表格"_s;
        QTest::newRow("word 97 document") << u"letter.doc"_s << u"不是电子表格"_s;
        QTest::newRow("binary workbook") << u"book.xlsb"_s << u"Excel 二进制工作簿(.xlsb)，请在 Excel 中另存为 .xlsx"_s;
        QTest::newRow("sheet part missing") << u"nosheetpart.xlsx"_s << u"缺少其中的“xl/worksheets/sheet1.xml”"_s;
        QTest::newRow("shared strings missing") << u"nostrings.xlsx"_s << u"缺少其中的“xl/sharedStrings.xml”"_s;
        QTest::newRow("picture named .xls") << u"picture.xls"_s << u"不是程序能读取"_s;
        QTest::newRow("empty file") << u"empty.csv"_s << u"空文件"_s;
        // A workbook of a known kind that is damaged is called damaged, not
        // another kind of file or a workbook without sheets.
        QTest::newRow("xls cut inside its header") << u"cut438.xls"_s << u"已损坏或不完整"_s;
        QTest::newRow("xls directory zeroed") << u"nodirectory.xls"_s << u"已损坏或不完整"_s;
        QTest::newRow("xls workbook's name garbled") << u"noname.xls"_s << u"已损坏或不完整"_s;
        QTest::newRow("xls workbook chain into the directory") << u"crossed.xls"_s << u"已损坏或不完整"_s;
        QTest::newRow("xls workbook chain short of its size") << u"shortchain.xls"_s << u"已损坏或不完整"_s;
        QTest::newRow("xls sheet list lost") << u"nosheets.xls"_s << u"已损坏或不完整"_s;
        QTest::newRow("xlsx workbook part lost") << u"noworkbookpart.xlsx"_s << u"缺少其中的“xl/workbook.xml”"_s;
        QTest::newRow("xlsx workbook garbled") << u"badroot.xlsx"_s << u"已损坏：其中的“xl/workbook.xml”"_s;
        QTest::newRow("xlsx sheet relationship lost")
            << u"lostrel.xlsx"_s << u"已损坏：其中的“xl/_rels/workbook.xml.rels”"_s;
    }
    // Refused with a message that names the file and says why; no row is handed on.
    void refusedFiles()
    {
        QFETCH(QString, name);
        QFETCH(QString, says);
        makeRefusedSamples();
        Collected sink;
        try {
            RosterReader::open(file(name))->read(sink);
            QFAIL("read");
        } catch (const RosterFileError &e) {
            QVERIFY2(e.text().contains(name) && e.text().contains(says), qPrintable(e.text()));
        }
        QVERIFY(sink.rows.empty());
    }

    void csvFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QString text = u"一厂,\"财务部, 二科\",张三,0012\r\n二厂,,\"李\"\"四\"\"\",\"A\n002\"\r\n"_s;
        QTest::newRow("utf8") << text.toUtf8();
        QTest::newRow("utf8 bom") << QByteArray("\xEF\xBB\xBF") + text.toUtf8();
        QTest::newRow("gbk") << Gbk::encode(text);
        QTest::newRow("utf16 bom") << QByteArray("\xFF\xFE")
                                          + QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    }
    // Commas separate, quotes hold commas, doubled quotes and line breaks.
    void csvFiles()
    {
        QFETCH(QByteArray, bytes);
        write(file(u"名单.csv"_s), bytes);
        const auto rows = rosterRows(file(u"名单.csv"_s));
        QCOMPARE(rows.size(), size_t(2));
        QCOMPARE(rows[0], (QStringList{u"一厂"_s, u"财务部, 二科"_s, u"张三"_s, u"12"_s}));
        QCOMPARE(rows[1], (QStringList{u"二厂"_s, u""_s, u"李\"四\""_s, u"A\n002"_s}));
        // The same bytes in a file with another name are tab-separated.
        write(file(u"名单.txt"_s), bytes);
        QCOMPARE(rosterRows(file(u"名单.txt"_s))[0][0], u"一厂,\"财务部, 二科\",张三,0012"_s);
    }

    // A GBK text is read in 64 KB blocks: a character that one block's end
    // cuts, two bytes or one of GB18030's four, comes out whole.
    void gbkCharacterAcrossBlocks_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("cut"); // bytes of the name's first character before the block's end
        const QByteArray zhang = Gbk::encode(u"张三"_s);
        QTest::newRow("two bytes, cut after 1") << zhang << u"张三"_s << 1;
        // U+20000 (95 32 82 36) and U+3400 (81 39 EE 39): four bytes in GB18030, none in GBK.
        const QByteArray rare = QByteArray("\x95\x32\x82\x36") + Gbk::encode(u"三"_s);
        const QString rareText = QString::fromUcs4(U"\U00020000三");
        for (int cut = 1; cut <= 3; ++cut)
            QTest::addRow("U+20000, cut after %d", cut) << rare << rareText << cut;
        QTest::newRow("U+3400, cut after 2") << QByteArray("\x81\x39\xEE\x39") << u"\u3400"_s << 2;
    }
    void gbkCharacterAcrossBlocks()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, text);
        QFETCH(int, cut);
        const QByteArray filler = Gbk::encode(u"一厂\t部门\t员工\t1\r\n"_s);
        const QByteArray lead = Gbk::encode(u"一厂\t部门\t"_s);
        const qsizetype at = 64 * 1024 - cut; // where the name begins
        QByteArray bytes;
        while (bytes.size() + filler.size() + 64 < at)
            bytes += filler;
        // A row whose name is as long as it takes to bring the next one to its place.
        const qsizetype pad = at - bytes.size() - 2 * lead.size() - 4;
        bytes += lead + QByteArray(pad, 'x') + "\t1\r\n" + lead;
        QCOMPARE(bytes.size(), at);
        bytes += name + "\t2\r\n" + lead + name + "\t3\r\n";
        write(file(u"cut.txt"_s), bytes);
        const auto rows = rosterRows(file(u"cut.txt"_s));
        QCOMPARE(rows.size(), static_cast<std::size_t>(bytes.count(filler) + 3));
        QCOMPARE(rows[rows.size() - 3][2], QString(pad, u'x'));
        QCOMPARE(rows[rows.size() - 2], (QStringList{u"一厂"_s, u"部门"_s, text, u"2"_s}));
        QCOMPARE(rows.back(), (QStringList{u"一厂"_s, u"部门"_s, text, u"3"_s}));
    }

    // NUL characters are dropped, in text of every encoding.
    void nulCharactersDropped()
    {
        write(file(u"nul.txt"_s), QByteArray("\xE4\xB8\x80\0\xE5\x8E\x82\t\t\xE5\xBC\xA0\0\xE4\xB8\x89\t7\n"
                                             "\xE4\xB8\x80\xE5\x8E\x82\t\t\xE6\x9D\x8E\xE5\x9B\x9B\t8\n",
                                             36));
        QCOMPARE(rosterRows(file(u"nul.txt"_s)), (std::vector<QStringList>{{u"一厂"_s, u""_s, u"张三"_s, u"7"_s},
                                                                           {u"一厂"_s, u""_s, u"李四"_s, u"8"_s}}));
    }

    // A large text file lets the sink look in while it is read, before and
    // between rows; a stop asked for there ends the reading at once.
    void largeFileLetsEventsThrough()
    {
        QByteArray text;
        for (int i = 0; i < 60000; ++i)
            text += "一厂\t部门\t员工\t" + QByteArray::number(i) + "\r\n";
        write(file(u"large.txt"_s), text);
        Collected all;
        RosterReader::open(file(u"large.txt"_s))->read(all);
        QCOMPARE(all.rows.size(), size_t(60000));
        QVERIFY2(all.idles >= 2 * text.size() / (64 * 1024), qPrintable(QString::number(all.idles)));

        struct StopAtOnce : Collected {
            bool idle() override { return false; }
        } stopping;
        RosterReader::open(file(u"large.txt"_s))->read(stopping);
        QVERIFY(stopping.rows.empty());
    }

    // One row repeated over a whole sheet by a file of a kilobyte: every row
    // is handed on, and the sink is looked in on all along, also while the
    // reader gives the same row again and again.
    void repeatedRowsLetEventsThrough()
    {
        struct Cells : CellSink {
            bool cell(int row, int column, QString) override
            {
                last = {row, column};
                longest = std::max(longest, ++sinceIdle);
                ++count;
                return true;
            }
            bool idle() override
            {
                sinceIdle = 0;
                return true;
            }
            std::pair<int, int> last;
            qint64 count = 0, sinceIdle = 0, longest = 0;
        } cells;
        const auto reader = RosterReader::open(file(u"repeated.ods"_s));
        reader->readCells(cells);
        QCOMPARE(cells.count, 4 * 1048576);
        QCOMPARE(cells.last, std::pair(1048575, 3));
        QVERIFY2(cells.longest <= 65536, qPrintable(QString::number(cells.longest)));

        struct Rows : RosterSink {
            bool row(int number, const RosterCells &cells) override
            {
                ok = ok && number == ++count && cells[2] == u"张三"_s && cells[3] == u"1001"_s;
                longest = std::max(longest, ++sinceIdle);
                return true;
            }
            bool idle() override
            {
                sinceIdle = 0;
                return true;
            }
            int count = 0, sinceIdle = 0, longest = 0;
            bool ok = true;
        } rows;
        RosterReader::open(file(u"repeated.ods"_s))->read(rows);
        QCOMPARE(rows.count, 1048576);
        QVERIFY(rows.ok);
        QVERIFY2(rows.longest <= 65536, qPrintable(QString::number(rows.longest)));
    }

    // The roster ends at the first row whose first column is empty; the rest
    // of the sheet is read on, and the rows after it that hold something in
    // the roster's columns are counted, so that a gap is not taken silently
    // for the end of the roster.
    void rowsLeftOutAfterTheEnd_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("text"); // written to `name` when not empty
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("emptyRow");
        QTest::addColumn<int>("rowsAfter");
        QTest::newRow("xls whose rows 34 to 40 are zeroed") << u"zeroed.xls"_s << QByteArray() << 33 << 34 << 152;
        QTest::newRow("xlsx with a row after a gap") << u"xlsxwriter_mixed.xlsx"_s << QByteArray() << 6 << 7 << 1;
        QTest::newRow("ods with a row after a gap") << u"odfpy_mixed.ods"_s << QByteArray() << 6 << 7 << 1;
        QTest::newRow("ods picture alone in a first cell") << u"pictures.ods"_s << QByteArray() << 2 << 3 << 1;
        QTest::newRow("text, first column empty in a row with a name")
            << u"gap.txt"_s << u"一厂\t\t张三\t1\n\t\t李四\t2\n\n二厂\t\t王五\t3\n\t\t\t4\n"_s.toUtf8() << 1 << 2 << 2;
        QTest::newRow("text, only empty rows after")
            << u"tail.txt"_s << u"一厂\t\t张三\t1\n\n\n\t\t\n"_s.toUtf8() << 1 << 0 << 0;
    }
    void rowsLeftOutAfterTheEnd()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, text);
        QFETCH(int, rows);
        QFETCH(int, emptyRow);
        QFETCH(int, rowsAfter);
        if (!text.isEmpty())
            write(file(name), text);
        for (const bool onePass : {false, true}) {
            Collected sink;
            const auto reader = RosterReader::open(file(name));
            const RosterEnd end = onePass ? reader->readInOnePass(sink) : reader->read(sink);
            QCOMPARE(static_cast<int>(sink.rows.size()), rows);
            QCOMPARE(end.emptyRow, emptyRow);
            QCOMPARE(end.rowsAfter, rowsAfter);
        }
    }

    void numberText_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("integer") << 1001.0 << u"1001"_s;
        QTest::newRow("half") << 12.5 << u"12.5"_s;
        QTest::newRow("negative") << -0.001 << u"-0.001"_s;
        QTest::newRow("tenth") << 0.1 << u"0.1"_s;
        QTest::newRow("large") << 1e20 << u"1e+20"_s;
        QTest::newRow("small") << 1.5e-7 << u"1.5e-07"_s;
        QTest::newRow("15 digits") << 123456789012345.0 << u"123456789012345"_s;
    }
    void numberText()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(shortestNumberText(value), text);
    }
};

QTEST_GUILESS_MAIN(TestRosterReader)
#include "tst_rosterreader.moc"
