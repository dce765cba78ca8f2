#include "ui/main/startfrm.h"
#include "startfrmprobe.h"
#include "testsupport.h"
#include "screensupport.h"
#include "startfrmfixture.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_startup : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startsOnTheFirstItemByRecNo()
    {
        TempDb t;
        t.addEmployee(u"1"_s, u"甲"_s, u"一厂"_s);
        t.addItem(2, u"一等奖"_s, u"电脑"_s, 3, 1, 1);
        t.addItem(1, u"二等奖"_s, u"手机"_s, 5, 1);
        QFile ini(t.folder() + u"config.ini"_s);
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[config]\r\nATltle=Title\r\nbackSound=/no/such/file.mp3\r\n");
        ini.close();

        TestServices s(t);
        const auto frm = makeStartFrm(s);
        QCOMPARE(probe(frm).Titles->text(), u"Title"_s);
        QCOMPARE(frm->description(), u"现在抽取:一等奖, 奖品:电脑, 共:3人,准备抽取第:2位."_s);
        QCOMPARE(s.dialogs.calls.size(), size_t(0));
        // A missing music file falls back to back.wma beside the program, in memory only.
        QCOMPARE(s.settings.backSound, t.folder() + u"back.wma"_s);
        QCOMPARE(s.sound.calls, QStringList{u"music:back.wma"_s});
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QVERIFY(!ini.readAll().contains("back.wma"));
    }

    // Installed: the database and config.ini are the user's, the delivered
    // music is the program's, in two folders.
    void installedReadsDataAndProgramFilesApart()
    {
        TempDb t;
        t.addEmployee(u"1"_s, u"甲"_s, u"一厂"_s);
        t.addItem(1, u"一等奖"_s, u"电脑"_s, 3, 1);
        QFile ini(t.folder() + u"config.ini"_s);
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[config]\r\nATltle=Installed\r\n");
        ini.close();
        QTemporaryDir program;

        TestServices s(t);
        TStartFrm frm(Folders{true, t.folder(), program.path() + u'/'}, s.settings, s.db, s.dialogs, s.pacer, s.random,
                      s.sound);
        QCOMPARE(probe(frm).Titles->text(), u"Installed"_s);
        QCOMPARE(s.dialogs.calls.size(), size_t(0));
        QCOMPARE(s.settings.backSound, program.path() + u"/back.wma"_s);
    }

    void emptyRosterIsReportedOncePerReload()
    {
        TempDb t;
        t.addItem(1, u"A"_s, u"a"_s, 1, 1);
        TestServices s(t);
        const auto frm = makeStartFrm(s);
        QCOMPARE(s.dialogs.texts(u"notify"_s), QStringList{u"员工资料为空，请先导入员工资料!"_s});
        QCOMPARE(s.dialogs.calls.front().caption, u"系统提示"_s);
        frm->ReloadDrawData();
        QCOMPARE(s.dialogs.count(u"notify"_s), 2);
    }

    void missingOrForeignDatabaseIsReportedAndTheWindowStillOpens_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("present");
        QTest::addRow("missing") << QByteArray() << false;
        QTest::addRow("not a database") << QByteArray(8192, '\x07') << true;
    }
    void missingOrForeignDatabaseIsReportedAndTheWindowStillOpens()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, present);
        TempDb t;
        t.db().close();
        QFile::remove(t.path());
        if (present) {
            QFile f(t.path());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        TestServices s(t);
        const auto frm = makeStartFrm(s);
        // One message: the roster is not read from a file that was refused.
        QCOMPARE(s.dialogs.calls.size(), size_t(1));
        QCOMPARE(s.dialogs.calls[0].kind, u"notify"_s);
        QCOMPARE(s.dialogs.calls[0].caption, u"错误信息"_s);
        QCOMPARE(s.dialogs.calls[0].icon, Dialogs::Icon::Warning);
        QVERIFY(!s.dialogs.calls[0].text.isEmpty());
        QCOMPARE(frm->description(), u"本次是第几轮抽奖,正在抽取第几位......"_s);
        QCOMPARE(QFile::exists(t.path()), present);
    }

    void readOnlyDatabaseIsReportedAtStart()
    {
        TempDb t;
        t.addEmployee(u"1"_s, u"甲"_s, u"一厂"_s);
        t.addItem(1, u"一等奖"_s, u"电脑"_s, 3, 1);
        t.db().close();
        QVERIFY(QFile::setPermissions(t.path(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        TestServices s(t);
        const auto frm = makeStartFrm(s);
        QFile::setPermissions(t.path(), QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(s.dialogs.calls.size(), size_t(1));
        QCOMPARE(s.dialogs.calls[0].caption, u"错误信息"_s);
        QVERIFY2(s.dialogs.calls[0].text.contains(u"是只读的"_s), qPrintable(s.dialogs.calls[0].text));
        // The file is still read: the screen is ready for the first item.
        QCOMPARE(frm->description(), u"现在抽取:一等奖, 奖品:电脑, 共:3人,准备抽取第:1位."_s);
    }

    // A new, empty database says at once that no item is set, and the
    // screen waits with the loading line until the roster has been read.
    void emptyDatabaseShowsTheNoItemLineAtOnce()
    {
        TempDb t;
        TestServices s(t);
        auto frm = std::make_unique<TStartFrm>(Folders::portable(s.exeFolder), s.settings, s.db, s.dialogs, s.pacer,
                                               s.random, s.sound);
        QCOMPARE(frm->description(), TStartFrm::loadingText());
        frm->LoadDrawData();
        QCOMPARE(frm->description(), u"未设置奖项或全部奖项已抽完!"_s);
        QCOMPARE(s.dialogs.texts(u"notify"_s), QStringList{u"员工资料为空，请先导入员工资料!"_s});
    }

    // A start press after a failed start names the database's fault, not a
    // missing prize item, and tries again: once the file is back, it loads.
    void startPressAfterAFailedStartTriesTheDatabaseAgain()
    {
        TempDb t;
        t.addEmployee(u"1"_s, u"甲"_s, u"一厂"_s);
        t.addItem(1, u"一等奖"_s, u"电脑"_s, 3, 1);
        t.db().close();
        const QString kept = t.path() + u".kept"_s;
        QVERIFY(QFile::rename(t.path(), kept));
        TestServices s(t);
        const auto frm = makeStartFrm(s);
        s.dialogs.calls.clear();

        probe(frm).ActStart->trigger();
        QCOMPARE(s.dialogs.calls.size(), size_t(1));
        QCOMPARE(s.dialogs.calls[0].kind, u"error"_s);
        QVERIFY2(s.dialogs.calls[0].text.startsWith(u"数据库无法使用。找不到数据库文件"_s),
                 qPrintable(s.dialogs.calls[0].text));
        QVERIFY(!s.dialogs.calls[0].text.endsWith(u"。."_s));

        QVERIFY(QFile::rename(kept, t.path()));
        s.dialogs.calls.clear();
        probe(frm).ActStart->trigger();
        QCOMPARE(s.dialogs.calls.size(), size_t(0));
        QVERIFY(s.db.isUsable());
        QCOMPARE(frm->description(), u"现在抽取:一等奖, 奖品:电脑, 共:3人,准备抽取第:1位."_s);
    }

    void errorReportAddsAFullStop_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::addRow("letter") << u"disk full"_s << u"disk full."_s;
        QTest::addRow("full stop") << u"done."_s << u"done."_s;
        QTest::addRow("comma sorts before") << u"a,"_s << u"a,"_s;
        QTest::addRow("chinese") << u"无法写入"_s << u"无法写入."_s;
        QTest::addRow("our full stop") << u"请再试一次。"_s << u"请再试一次。"_s;
        QTest::addRow("our exclamation") << u"全部奖项已抽完！"_s << u"全部奖项已抽完！"_s;
        QTest::addRow("empty") << QString() << QString();
    }
    void errorReportAddsAFullStop()
    {
        QFETCH(QString, text);
        QTEST(errorReportText(text), "shown");
    }
};

QTEST_MAIN(tst_startup)
#include "tst_startup.moc"
