// The roster readers against xlrd on real and generated workbooks, and the
// text file rules.
#include "sheets/biffreader.h"
#include "sheets/olecontainer.h"
#include "sheets/rosterreader.h"
#include "base/textcodec.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

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
                QFAIL(qPrintable(u"%1 %2 row %3 column %4: %5 instead of %6"_s.arg(label, path).arg(r + 1).arg(c + 1).arg(actual, expected)));
        }
    }
}

} // namespace

class TestRosterReader : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString file(const QString &name) const { return m_dir.path() + u'/' + name; }

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
        run(u"perl"_s, {tests + u"make_writeexcel.pl"_s, m_dir.path()}, &ok);
        if (!ok)
            qWarning("Spreadsheet::WriteExcel missing: its sample is skipped");
    }

    void matchesXlrd_data()
    {
        QTest::addColumn<QString>("path");
        for (const char *name : {"Formate.xls", "profiles.xls", "ragged.xls", "biff4_no_format_no_window2.xls"})
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
        const auto reader = RosterReader::open(path);
        compareWithXlrd(path, {[&](int r, int c) { return reader->cell(r, c); }}, u"chosen reader"_s);

        const QByteArray bytes = readAll(path);
        const SheetCells own = Biff::readFirstWorksheet(Ole::isCompoundFile(bytes) ? Ole::workbookStream(bytes) : bytes);
        compareWithXlrd(path, {[&](int r, int c) { return own.at(r - 1, c - 1); }}, u"own reader"_s);
    }

    void firstRowOfFixtures()
    {
        if (!QFile::exists(fixtures() + u"Formate.xls"_s))
            QSKIP("fixtures not available");
        const auto formate = RosterReader::open(fixtures() + u"Formate.xls"_s);
        QCOMPARE(formate->cell(1, 1), u"Huber"_s);
        QCOMPARE(formate->cell(1, 2), u"2741"_s);
        QCOMPARE(formate->cell(2, 1), u"Äcker"_s);
        const auto biff4 = RosterReader::open(fixtures() + u"biff4_no_format_no_window2.xls"_s);
        QCOMPARE(biff4->cell(1, 4), u"SUB"_s);
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
        QTest::newRow("xlsx") << u"new.xls"_s << QByteArray("PK\x03\x04 rest of a zip");
        QTest::newRow("cut BIFF4") << u"old.xls"_s << readAll(fixtures() + u"biff4_no_format_no_window2.xls"_s).left(1000);
    }
    // A clear message naming the file; nothing thrown but RosterFileError.
    void unreadableFiles()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        write(file(name), bytes);
        try {
            RosterReader::open(file(name));
            QFAIL("opened");
        } catch (const RosterFileError &e) {
            QVERIFY2(e.text().contains(name), qPrintable(e.text()));
        }
    }

    void corruptedFixtureAndMissingFile()
    {
        for (const QString &path : QStringList{fixtures() + u"corrupted_error.xls"_s, file(u"missing.xls"_s)}) {
            if (path.startsWith(fixtures()) && !QFile::exists(path))
                continue;
            try {
                RosterReader::open(path);
                QFAIL(qPrintable(u"opened "_s + path));
            } catch (const RosterFileError &e) {
                QVERIFY2(e.text().contains(QFileInfo(path).fileName()), qPrintable(e.text()));
            }
        }
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
        QTest::newRow("utf8 bom crlf") << QByteArray("\xEF\xBB\xBF") + QString(text).replace(u"\n"_s, u"\r\n"_s).toUtf8() << zhang << li;
        QTest::newRow("utf16 bom") << QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2) << zhang << li;
        QTest::newRow("lone cr") << QString(text).replace(u"\n"_s, u"\r"_s).toUtf8() << zhang << li;
        QTest::newRow("quotes") << u"\"O'Neil\t\"\"Jr\"\"\"\t'; delete from EmpNo --\t\"0012\"\n\"unclosed\tx\n"_s.toUtf8()
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
        const auto reader = RosterReader::open(file(u"roster.txt"_s));
        for (int c = 0; c < 4; ++c) {
            QCOMPARE(reader->cell(1, c + 1), row1[c]);
            QCOMPARE(reader->cell(2, c + 1), row2[c]);
        }
        QVERIFY(reader->cell(3, 1).isEmpty());
    }

    // The content decides, not the name.
    void extensionThatLies()
    {
        write(file(u"text.xls"_s), u"一厂\t部门\t张三\t7"_s.toUtf8());
        QCOMPARE(RosterReader::open(file(u"text.xls"_s))->cell(1, 3), u"张三"_s);
        if (!QFile::exists(fixtures() + u"Formate.xls"_s))
            QSKIP("fixtures not available");
        write(file(u"book.txt"_s), readAll(fixtures() + u"Formate.xls"_s));
        QCOMPARE(RosterReader::open(file(u"book.txt"_s))->cell(1, 1), u"Huber"_s);
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
