// The import loop against a real roster table.
#include "admin/rosterimport.h"
#include "sheets/rosterreader.h"
#include "base/textcodec.h"
#include "testsupport.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlQuery>
#include <algorithm>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Rows given by the test, row 1 first, handed on cell by cell like a file.
class Rows : public RosterReader {
public:
    explicit Rows(std::vector<QStringList> rows) : RosterReader(u"rows"_s), m_rows(std::move(rows)) {}

protected:
    bool needsRehearsal() const override { return false; }
    void cells(CellSink &sink, bool) override
    {
        for (size_t r = 0; r < m_rows.size(); ++r) {
            for (qsizetype c = 0; c < m_rows[r].size(); ++c) {
                if (!sink.cell(static_cast<int>(r), static_cast<int>(c), m_rows[r][c]))
                    return;
            }
        }
    }

private:
    std::vector<QStringList> m_rows;
};

template <typename Db> constexpr bool runsStatementsOnce = requires(Db &db) { db.generation(); };

std::vector<QStringList> numbered(int count)
{
    std::vector<QStringList> rows;
    for (int i = 1; i <= count; ++i)
        rows.push_back({u"一厂"_s, u"部门"_s, u"员工%1"_s.arg(i), u"E%1"_s.arg(i)});
    return rows;
}

// A bare BIFF3 worksheet of `rows` roster rows (E1 …). Row `refused` (from 1)
// holds a name too long for the roster; row `damaged` is cut inside its
// first record, so that the reader finds the damage only there.
QByteArray biffRoster(int rows, int refused, int damaged)
{
    QByteArray out;
    const auto u16 = [](QByteArray &to, int v) {
        to += char(v & 0xFF);
        to += char((v >> 8) & 0xFF);
    };
    const auto record = [&](int kind, const QByteArray &data) {
        u16(out, kind);
        u16(out, int(data.size()));
        out += data;
    };
    const auto label = [&](int row, int column, const QByteArray &text, int stated) {
        QByteArray data;
        for (const int v : {row, column, 0, stated})
            u16(data, v);
        record(0x0204, data + text);
    };
    QByteArray worksheet;
    for (const int v : {0, 0x10, 0})
        u16(worksheet, v);
    record(0x0209, worksheet);
    for (int r = 1; r <= rows; ++r) {
        if (r == damaged) {
            label(r - 1, 0, "abc", 200);
            continue;
        }
        label(r - 1, 0, "plant", 5);
        label(r - 1, 1, "dept", 4);
        const QByteArray name = r == refused ? QByteArray(60, 'x') : "name" + QByteArray::number(r);
        label(r - 1, 2, name, int(name.size()));
        const QByteArray code = "E" + QByteArray::number(r);
        label(r - 1, 3, code, int(code.size()));
    }
    record(0x000A, {});
    return out;
}

// The roster as "code|name|factory|department" in insertion order.
QStringList roster(TempDb &tdb)
{
    QStringList out;
    QSqlQuery q = tdb.db().exec(u"select EmpCode, EmpName, CompCode, DartNo from EmpNo order by RecNo"_s);
    while (q.next()) {
        QStringList fields;
        for (int i = 0; i < 4; ++i)
            fields << (q.isNull(i) ? u"<null>"_s : q.value(i).toString());
        out << fields.join(u'|');
    }
    return out;
}

} // namespace

class TestRosterImport : public QObject {
    Q_OBJECT

    struct Run {
        TempDb tdb;
        FakePacer pacer;
        RosterImport importer{tdb.db(), pacer};
        std::vector<int> rows, progress;
        QStringList statuses;
        Run()
        {
            QObject::connect(&importer, &RosterImport::progress, &importer,
                             [this](int row, const QString &status, int p) {
                                 rows.push_back(row);
                                 statuses << status;
                                 progress.push_back(p);
                             });
        }
    };

private Q_SLOTS:
    // A first row of the columns' captions is the file's header and is passed
    // over, said so in the closing message; a row that merely looks odd is a
    // person. A gap ends the import, and the rows after it are counted.
    void rowsUntilFirstEmptyColumnOne_data()
    {
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QString>("says"); // in the closing message; empty: it says only that all is done
        const QStringList zhang{u"一厂"_s, u"财务"_s, u"张三"_s, u"A001"_s};
        const QString header = u"第1行是各列的标题"_s;
        QTest::newRow("header row is passed over")
            << QList<QStringList>{{u"工厂名称"_s, u"部门"_s, u"姓名"_s, u"工号"_s}, zhang}
            << QStringList{u"A001|张三|一厂|财务"_s} << header;
        QTest::newRow("header of usual captions, blanks and colons")
            << QList<QStringList>{{u" 厂区："_s, u"部门名称"_s, u"员工姓名 :"_s, u"\u3000员工编号"_s}, zhang}
            << QStringList{u"A001|张三|一厂|财务"_s} << header;
        QTest::newRow("header over two columns") << QList<QStringList>{{u"公司"_s, u""_s, u""_s, u"工号"_s}, zhang}
                                                 << QStringList{u"A001|张三|一厂|财务"_s} << header;
        QTest::newRow("a caption among names is a person")
            << QList<QStringList>{{u"工厂"_s, u"部门"_s, u"张三"_s, u"工号"_s}} << QStringList{u"工号|张三|工厂|部门"_s}
            << QString();
        QTest::newRow("one caption alone is a person")
            << QList<QStringList>{{u"工厂"_s, u""_s, u""_s, u""_s}} << QStringList{u"||工厂|"_s} << QString();
        QTest::newRow("captions below the first row are a person")
            << QList<QStringList>{zhang, {u"工厂名称"_s, u"部门"_s, u"姓名"_s, u"工号"_s}}
            << QStringList{u"A001|张三|一厂|财务"_s, u"工号|姓名|工厂名称|部门"_s} << QString();
        QTest::newRow("empty first cell imports nothing")
            << QList<QStringList>{{u""_s, u"部门"_s, u"姓名"_s, u"1"_s}, {u"一厂"_s, u"财务"_s, u"张三"_s, u"A001"_s}}
            << QStringList{} << u"第1行的第一列(工厂名称)是空的，导入到此为止；其后还有1行有内容"_s;
        QTest::newRow("a gap ends the import")
            << QList<QStringList>{{u"一厂"_s, u"a"_s, u"甲"_s, u"1"_s}, {}, {u"一厂"_s, u"b"_s, u"乙"_s, u"2"_s}}
            << QStringList{u"1|甲|一厂|a"_s} << u"第2行的第一列(工厂名称)是空的，导入到此为止；其后还有1行有内容"_s;
        QTest::newRow("empty rows at the end are no gap")
            << QList<QStringList>{{u"一厂"_s, u"a"_s, u"甲"_s, u"1"_s}, {}, {u""_s, u""_s}}
            << QStringList{u"1|甲|一厂|a"_s} << QString();
        QTest::newRow("empty columns 2 to 4 are empty text")
            << QList<QStringList>{{u"一厂"_s}, {u" 二厂 "_s, u""_s, u"  "_s}}
            << QStringList{u"||一厂|"_s, u"|  | 二厂 |"_s} << QString();
        QTest::newRow("quotes stay as written")
            << QList<QStringList>{{u"O'Brien & Co"_s, u"'; delete from EmpNo --"_s, u"O'Neil"_s, u"\"7\""_s}}
            << QStringList{u"\"7\"|O'Neil|O'Brien & Co|'; delete from EmpNo --"_s} << QString();
    }
    void rowsUntilFirstEmptyColumnOne()
    {
        QFETCH(QList<QStringList>, rows);
        QFETCH(QStringList, stored);
        QFETCH(QString, says);
        Run run;
        run.tdb.addEmployee(u"OLD"_s, u"原有"_s, u"厂"_s, u"部"_s);
        Rows reader({rows.begin(), rows.end()});
        const auto result = run.importer.run(reader);
        QCOMPARE(result.outcome, RosterImport::Outcome::Completed);
        QCOMPARE(result.imported, stored.size());
        QCOMPARE(roster(run.tdb), QStringList{u"OLD|原有|厂|部"_s} + stored);
        if (says.isEmpty()) {
            QCOMPARE(result.message(), u"导入员工资料完成!"_s);
        } else {
            QVERIFY2(result.message().startsWith(u"导入员工资料完成!\n导入%1人。"_s.arg(stored.size()))
                         && result.message().contains(says),
                     qPrintable(result.message()));
        }
    }

    // A person is the code with the factory, as written (nothing trimmed or
    // folded): one already in the roster, or earlier in the file, is counted and
    // not stored again. Replace empties the roster first.
    void repeatedPeople_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<int>("repeated");
        QTest::addColumn<int>("imported");
        const QStringList zhang{u"一厂"_s, u"财务"_s, u"张三"_s, u"A1"_s};
        const QStringList li{u"一厂"_s, u"生产"_s, u"李四"_s, u"A2"_s};
        QTest::newRow("the same file again")
            << QStringList{u"A1|张三|一厂|财务"_s, u"A2|李四|一厂|生产"_s} << false << QList<QStringList>{zhang, li}
            << QStringList{u"A1|张三|一厂|财务"_s, u"A2|李四|一厂|生产"_s} << 2 << 0;
        QTest::newRow("earlier in the file")
            << QStringList{} << false << QList<QStringList>{zhang, li, {u"一厂"_s, u"行政"_s, u"张三丰"_s, u"A1"_s}}
            << QStringList{u"A1|张三|一厂|财务"_s, u"A2|李四|一厂|生产"_s} << 1 << 2;
        QTest::newRow("a corrected file adds only the rest")
            << QStringList{u"A1|张三|一厂|财务"_s} << false << QList<QStringList>{zhang, li}
            << QStringList{u"A1|张三|一厂|财务"_s, u"A2|李四|一厂|生产"_s} << 1 << 1;
        QTest::newRow("same code in another factory is another person")
            << QStringList{u"A1|张三|一厂|财务"_s} << false
            << QList<QStringList>{{u"二厂"_s, u"财务"_s, u"张三"_s, u"A1"_s}}
            << QStringList{u"A1|张三|一厂|财务"_s, u"A1|张三|二厂|财务"_s} << 0 << 1;
        QTest::newRow("blanks and case make another code")
            << QStringList{u"a1|张三|一厂|财务"_s} << false
            << QList<QStringList>{{u"一厂"_s, u""_s, u""_s, u"A1"_s}, {u"一厂"_s, u""_s, u""_s, u"A1 "_s}}
            << QStringList{u"a1|张三|一厂|财务"_s, u"A1||一厂|"_s, u"A1 ||一厂|"_s} << 0 << 2;
        QTest::newRow("factory and code are not run together")
            << QStringList{} << false
            << QList<QStringList>{{u"一厂"_s, u""_s, u""_s, u"A"_s}, {u"厂"_s, u""_s, u""_s, u"A一"_s}}
            << QStringList{u"A||一厂|"_s, u"A一||厂|"_s} << 0 << 2;
        // Without a code nothing but the whole row tells people apart.
        QTest::newRow("people without a code are people of their own")
            << QStringList{u"|王五|一厂|仓储"_s} << false
            << QList<QStringList>{{u"一厂"_s, u"财务"_s, u"张三"_s, u""_s},
                                  {u"一厂"_s, u"财务"_s, u"李四"_s, u""_s},
                                  {u"一厂"_s, u"生产"_s, u"张三"_s, u""_s},
                                  {u"二厂"_s, u"财务"_s, u"张三"_s, u""_s}}
            << QStringList{u"|王五|一厂|仓储"_s, u"|张三|一厂|财务"_s, u"|李四|一厂|财务"_s, u"|张三|一厂|生产"_s,
                           u"|张三|二厂|财务"_s}
            << 0 << 4;
        QTest::newRow("a row without a code repeated whole is one person")
            << QStringList{u"|王五|一厂|仓储"_s} << false
            << QList<QStringList>{{u"一厂"_s, u"财务"_s, u"张三"_s, u""_s},
                                  {u"一厂"_s, u"财务"_s, u"张三"_s, u""_s},
                                  {u"一厂"_s, u"仓储"_s, u"王五"_s, u""_s},
                                  {u"一厂"_s, u"仓储"_s, u"王五"_s, u"W1"_s}}
            << QStringList{u"|王五|一厂|仓储"_s, u"|张三|一厂|财务"_s, u"W1|王五|一厂|仓储"_s} << 2 << 2;
        QTest::newRow("replace empties the roster first")
            << QStringList{u"A1|旧名|一厂|旧部门"_s, u"B9|王五|二厂|仓储"_s} << true
            << QList<QStringList>{zhang, li, zhang} << QStringList{u"A1|张三|一厂|财务"_s, u"A2|李四|一厂|生产"_s} << 1
            << 2;
        QTest::newRow("replace by a file without rows changes nothing")
            << QStringList{u"B9|王五|二厂|仓储"_s} << true << QList<QStringList>{{u""_s, u"部门"_s}}
            << QStringList{u"B9|王五|二厂|仓储"_s} << 0 << 0;
    }
    void repeatedPeople()
    {
        QFETCH(QStringList, before);
        QFETCH(bool, replace);
        QFETCH(QList<QStringList>, rows);
        QFETCH(QStringList, stored);
        QFETCH(int, repeated);
        QFETCH(int, imported);
        Run run;
        for (const QString &person : before) {
            const QStringList f = person.split(u'|');
            run.tdb.addEmployee(f[0], f[1], f[2], f[3]);
        }
        run.importer.mode = replace ? RosterImport::Mode::Replace : RosterImport::Mode::Append;
        Rows reader({rows.begin(), rows.end()});
        const auto result = run.importer.run(reader);
        QCOMPARE(result.outcome, RosterImport::Outcome::Completed);
        QCOMPARE(roster(run.tdb), stored);
        QCOMPARE(result.repeated, repeated);
        QCOMPARE(result.imported, imported);
        if (repeated > 0) {
            QVERIFY2(result.message().startsWith(u"导入员工资料完成!"_s)
                         && result.message().contains(u"导入%1人"_s.arg(result.imported))
                         && result.message().contains(u"%1行"_s.arg(repeated)),
                     qPrintable(result.message()));
        } else {
            QCOMPARE(result.message(), u"导入员工资料完成!"_s);
        }
    }

    // Replace empties the roster together with the first rows it stores: a file
    // refused before that (damaged, or its first row refused by the database)
    // leaves the roster as it was; a row refused later keeps the rows before it.
    void replaceRefused_data()
    {
        QTest::addColumn<int>("refusedRow"); // 0: a damaged file
        QTest::addColumn<QStringList>("stored");
        QTest::newRow("damaged file") << 0 << QStringList{u"OLD|原有|厂|部"_s};
        QTest::newRow("first row refused") << 1 << QStringList{u"OLD|原有|厂|部"_s};
        QTest::newRow("third row refused") << 3 << QStringList{u"E1|员工1|一厂|部门"_s, u"E2|员工2|一厂|部门"_s};
    }
    void replaceRefused()
    {
        QFETCH(int, refusedRow);
        QFETCH(QStringList, stored);
        Run run;
        run.tdb.addEmployee(u"OLD"_s, u"原有"_s, u"厂"_s, u"部"_s);
        run.importer.mode = RosterImport::Mode::Replace;
        if (refusedRow == 0) {
            const QString path = run.tdb.folder() + u"broken.xlsx"_s;
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray("PK\x03\x04", 4) + QByteArray(300, 'x'));
            f.close();
            QVERIFY_THROWS_EXCEPTION(RosterFileError, run.importer.run(*RosterReader::open(path)));
        } else {
            auto rows = numbered(5);
            rows[refusedRow - 1][2] = QString(51, u'名');
            Rows reader(rows);
            const auto result = run.importer.run(reader);
            QCOMPARE(result.outcome, RosterImport::Outcome::Failed);
            QCOMPARE(result.failedRow, refusedRow);
            QVERIFY2(result.message().contains(u"姓名"_s), qPrintable(result.message()));
        }
        QCOMPARE(roster(run.tdb), stored);
    }

    // An .ods of a kilobyte may stand for a million rows of one person: one is
    // stored, the rest counted as repeated.
    void millionRepeatsOfOnePerson()
    {
        Run run;
        const QString path = run.tdb.folder() + u"repeated.ods"_s;
        const char *script = R"(
import sys, zipfile
content = ('<?xml version="1.0" encoding="UTF-8"?><office:document-content '
  'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
  'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
  'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2">'
  '<office:body><office:spreadsheet><table:table table:name="Sheet1">'
  '<table:table-row table:number-rows-repeated="1048576">'
  + ''.join('<table:table-cell office:value-type="string"><text:p>%s</text:p></table:table-cell>' % t
            for t in ('一厂', '财务', '张三', 'A1'))
  + '</table:table-row></table:table></office:spreadsheet></office:body></office:document-content>')
manifest = ('<?xml version="1.0" encoding="UTF-8"?><manifest:manifest '
  'xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.2">'
  '<manifest:file-entry manifest:full-path="/" manifest:media-type="application/vnd.oasis.opendocument.spreadsheet"/>'
  '<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/></manifest:manifest>')
with zipfile.ZipFile(sys.argv[1], 'w') as z:
    z.writestr('mimetype', 'application/vnd.oasis.opendocument.spreadsheet', zipfile.ZIP_STORED)
    z.writestr('META-INF/manifest.xml', manifest, zipfile.ZIP_DEFLATED)
    z.writestr('content.xml', content, zipfile.ZIP_DEFLATED)
)";
        QProcess p;
        p.start(u"/usr/bin/python3"_s, {u"-c"_s, QString::fromUtf8(script), path});
        QVERIFY(p.waitForFinished(60000) && p.exitCode() == 0);
        QVERIFY(QFileInfo(path).size() < 2000);
        const auto result = run.importer.run(*RosterReader::open(path));
        QCOMPARE(result.outcome, RosterImport::Outcome::Completed);
        QCOMPARE(roster(run.tdb), QStringList{u"A1|张三|一厂|财务"_s});
        QCOMPARE(result.imported, 1);
        QCOMPARE(result.repeated, 1048575);
    }

    // Told before each pause and at the end: with a pause per row, every row.
    void statusLineAndProgress()
    {
        Run run;
        run.importer.pumpEveryRows = 1;
        Rows reader(numbered(250));
        const auto result = run.importer.run(reader);
        QCOMPARE(result.imported, 250);
        QCOMPARE(run.progress.size(), size_t(250));
        QCOMPARE(run.progress[98], 99);
        QCOMPARE(run.progress[99], 0);
        QCOMPARE(run.progress[100], 1);
        QCOMPARE(run.progress[199], 0);
        QCOMPARE(run.progress.back(), 50);
        QCOMPARE(run.rows.back(), 250);
        QCOMPARE(run.statuses[4], u"正在导入：第[5]行，员工：[E5]姓名:[员工5]"_s);
        QCOMPARE(run.tdb.scalar(u"select count(*) from EmpNo"_s).toInt(), 250);
    }

    // The refused row is named with its reason; the rows before it stay.
    void refusedRowStopsWithItsNumber()
    {
        Run run;
        auto rows = numbered(10);
        rows[6][1] = QString(60, u'部');
        Rows reader(rows);
        const auto result = run.importer.run(reader);
        QCOMPARE(result.outcome, RosterImport::Outcome::Failed);
        QCOMPARE(result.failedRow, 7);
        QCOMPARE(result.imported, 6);
        QVERIFY2(result.message().contains(u"第7行"_s) && result.message().contains(u"部门"_s),
                 qPrintable(result.message()));
        QCOMPARE(roster(run.tdb).size(), 6);
        QCOMPARE(roster(run.tdb).last(), u"E6|员工6|一厂|部门"_s);
    }

    // Cancel confirmed while row 40's events are handled: row 40 is completed, row 41 is not read.
    void stopBetweenRows()
    {
        Run run;
        run.importer.pumpEveryRows = 1;
        run.importer.pumpEveryMs = 1 << 30; // pauses by rows only, whatever the machine's speed
        run.pacer.onPump = [&](int n) {
            if (n == 40)
                run.importer.stop();
        };
        Rows reader(numbered(100));
        const auto result = run.importer.run(reader);
        QCOMPARE(result.outcome, RosterImport::Outcome::Stopped);
        QCOMPARE(result.imported, 40);
        QCOMPARE(roster(run.tdb).size(), 40);
        QCOMPARE(result.message(), u"导入已停止：已导入40人，其余的行没有导入。"_s);
    }

    // Events are let through at the first row and then in steps, never per row of a large file.
    void pumpsInSteps()
    {
        Run run;
        run.importer.pumpEveryMs = 1 << 30;
        run.importer.pumpEveryRows = 5000;
        Rows reader(numbered(12500));
        run.importer.run(reader);
        QCOMPARE(run.pacer.pumps, 3); // rows 1, 5001, 10001
    }

    void textFilesWithChineseNames_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QString text = u"一厂\t财务部\t张三\t0012\r\n二厂\t生产部\t欧阳修\tB7\r\n"_s;
        QTest::newRow("gbk") << Gbk::encode(text);
        QTest::newRow("utf8") << text.toUtf8();
        QTest::newRow("utf8 bom") << QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    }
    void textFilesWithChineseNames()
    {
        QFETCH(QByteArray, bytes);
        Run run;
        const QString path = run.tdb.folder() + u"名单.txt"_s;
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        run.importer.run(*RosterReader::open(path));
        QCOMPARE(roster(run.tdb), (QStringList{u"12|张三|一厂|财务部"_s, u"B7|欧阳修|二厂|生产部"_s}));
    }

    // A database that cannot grow (a full disk, here the engine's page limit)
    // ends the import with its own message: the row and the rows kept. Rows
    // of a text file are kept batch by batch; a workbook's are one unit, all
    // undone, its first row the first lost.
    void fullDiskEndsWithRowAndCount_data()
    {
        QTest::addColumn<bool>("workbook");
        QTest::newRow("text") << false;
        QTest::newRow("workbook") << true;
    }
    void fullDiskEndsWithRowAndCount()
    {
        QFETCH(bool, workbook);
        // A store that runs a failed statement a second time stores that row
        // outside the batch the full disk undid; the store that keeps track of
        // its connections (generation()) runs every statement once.
        if constexpr (!runsStatementsOnce<Database>)
            QSKIP("this store runs a failed statement twice");
        Run run;
        const int pages = run.tdb.scalar(u"pragma page_count"_s).toInt();
        run.tdb.scalar(u"pragma max_page_count = %1"_s.arg(pages + 8));
        run.importer.pumpEveryRows = 100; // batches of 100: the one that fills the disk is undone
        run.importer.commitEveryMs = 0;
        auto rows = numbered(5000);
        for (auto &row : rows)
            row[1] = QString(40, u'部');
        Rows text(rows);
        const QString path = run.tdb.folder() + u"roster.xls"_s;
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(biffRoster(5000, 0, 0));
        file.close();
        const auto result = run.importer.run(workbook ? *RosterReader::open(path) : static_cast<RosterReader &>(text));
        QCOMPARE(result.outcome, RosterImport::Outcome::Failed);
        const int stored = run.tdb.scalar(u"select count(*) from EmpNo"_s).toInt();
        QVERIFY2(workbook ? stored == 0 : stored > 0 && stored < 5000, qPrintable(QString::number(stored)));
        QCOMPARE(result.imported, stored);
        QCOMPARE(result.failedRow, stored + 1);
        const QString message = result.message();
        QVERIFY2(message.contains(u"磁盘已满"_s) && message.contains(u"第%1行"_s.arg(stored + 1))
                     && message.contains(u"此前的%1行已导入"_s.arg(stored)),
                 qPrintable(message));
    }

    // A workbook is read once, its rows stored while the rest of it is read:
    // they stay only once it has been read to its end without damage. Damage
    // found after rows were stored, or a stop before the end, leaves the
    // roster as it was; a row refused by the database keeps the rows before
    // it when the rest of the file is sound.
    void workbookRowsStayOnceReadToItsEnd_data()
    {
        QTest::addColumn<QString>("file"); // "biff": 3000 rows written here; else one of make_xlsx.py's
        QTest::addColumn<bool>("replace");
        QTest::addColumn<int>("refusedRow");
        QTest::addColumn<int>("damagedRow");
        QTest::addColumn<int>("stopAtRow"); // Cancel at the first pause that tells this row or a later one
        QTest::addColumn<QString>("ending"); // "file refused" or the outcome
        QTest::addColumn<int>("imported");
        QTest::newRow("read to its end") << u"biff"_s << false << 0 << 0 << 0 << u"Completed"_s << 3000;
        QTest::newRow("damaged after rows stored") << u"biff"_s << false << 0 << 2500 << 0 << u"file refused"_s << 0;
        QTest::newRow("damaged after rows stored, replace")
            << u"biff"_s << true << 0 << 2500 << 0 << u"file refused"_s << 0;
        QTest::newRow("row refused, damaged later")
            << u"biff"_s << false << 1000 << 2500 << 0 << u"file refused"_s << 0;
        QTest::newRow("row refused, the rest sound") << u"biff"_s << false << 1000 << 0 << 0 << u"Failed"_s << 999;
        QTest::newRow("row refused, the rest sound, replace")
            << u"biff"_s << true << 1000 << 0 << 0 << u"Failed"_s << 999;
        QTest::newRow("stopped before its end") << u"biff"_s << false << 0 << 0 << 200 << u"Stopped"_s << 0;
        QTest::newRow("stopped while read on after a refused row")
            << u"biff"_s << false << 1000 << 0 << 1000 << u"Stopped"_s << 0;
        QTest::newRow("xlsx damaged after rows stored")
            << u"latedamage.xlsx"_s << false << 0 << 0 << 0 << u"file refused"_s << 0;
        QTest::newRow("xlsx damaged after rows stored, replace")
            << u"latedamage.xlsx"_s << true << 0 << 0 << 0 << u"file refused"_s << 0;
    }
    void workbookRowsStayOnceReadToItsEnd()
    {
        QFETCH(QString, file);
        QFETCH(bool, replace);
        QFETCH(int, refusedRow);
        QFETCH(int, damagedRow);
        QFETCH(int, stopAtRow);
        QFETCH(QString, ending);
        QFETCH(int, imported);
        Run run;
        run.tdb.addEmployee(u"OLD"_s, u"原有"_s, u"厂"_s, u"部"_s);
        QString path = run.tdb.folder() + file;
        if (file == u"biff"_s) {
            path += u".xls"_s;
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(biffRoster(3000, refusedRow, damagedRow));
        } else {
            QProcess p;
            p.start(u"/usr/bin/python3"_s,
                    {QString::fromLocal8Bit(qgetenv("PRIZEDRAW_SOURCE_DIR")) + u"/tests/import/make_xlsx.py"_s,
                     run.tdb.folder()});
            if (!p.waitForFinished(60000) || p.exitCode() != 0)
                QSKIP("python3-xlsxwriter or python3-openpyxl is missing");
        }
        run.importer.mode = replace ? RosterImport::Mode::Replace : RosterImport::Mode::Append;
        run.importer.pumpEveryMs = 0; // a pause every few rows, and while the file is read on after a refused row
        int mostSeen = 0; // rows in the roster at a pause, as the import's own connection sees them
        run.pacer.onPump = [&](int) {
            mostSeen = std::max(mostSeen, run.tdb.scalar(u"select count(*) from EmpNo"_s).toInt());
            if (stopAtRow > 0 && !run.rows.empty() && run.rows.back() >= stopAtRow)
                run.importer.stop();
        };
        const auto reader = RosterReader::open(path);
        if (ending == u"file refused"_s) {
            QVERIFY_THROWS_EXCEPTION(RosterFileError, run.importer.run(*reader));
        } else {
            const auto result = run.importer.run(*reader);
            QCOMPARE(QVariant::fromValue(result.outcome).toString(), ending);
            QCOMPARE(result.imported, imported);
            if (refusedRow > 0 && stopAtRow == 0)
                QCOMPARE(result.failedRow, refusedRow);
        }
        const QStringList stored = roster(run.tdb);
        if (imported == 0) {
            QCOMPARE(stored, QStringList{u"OLD|原有|厂|部"_s});
            QVERIFY2(mostSeen > 100, qPrintable(QString::number(mostSeen))); // undone, not left unstored
        } else {
            QCOMPARE(stored.size(), imported + (replace ? 0 : 1));
            QCOMPARE(stored.last(), u"E%1|name%1|plant|dept"_s.arg(imported));
        }
    }

    // A code typed into the sheet as the number 0012 arrives as 12.
    void numericCodeFromWorkbook()
    {
        const QString script =
            QString::fromLocal8Bit(qgetenv("PRIZEDRAW_SOURCE_DIR")) + u"/tests/import/make_xlwt.py"_s;
        Run run;
        QProcess p;
        p.start(u"/usr/bin/python3"_s, {script, run.tdb.folder()});
        if (!p.waitForFinished(60000) || p.exitCode() != 0)
            QSKIP("python3-xlwt is missing");
        const auto reader = RosterReader::open(run.tdb.folder() + u"xlwt_mixed.xls"_s);
        run.importer.run(*reader);
        const QStringList stored = roster(run.tdb);
        QCOMPARE(stored[1], u"12|李四|一厂|生产部"_s);
        QCOMPARE(stored[3], u"1001.5|O'Neil|二厂|质检部"_s);
        QCOMPARE(stored[4], u"-3|王五|三厂|'; delete from EmpNo --"_s);
    }
};

QTEST_GUILESS_MAIN(TestRosterImport)
#include "tst_rosterimport.moc"
