#include "base/errors.h"
#include "base/inifile.h"
#include "base/settings.h"
#include "base/textcodec.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_settings : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString folder() const { return dir.path() + u'/'; }
    QString iniPath() const { return folder() + u"config.ini"_s; }

    void writeIni(const QByteArray &bytes)
    {
        QFile f(iniPath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QByteArray readIni()
    {
        QFile f(iniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private Q_SLOTS:
    void cleanup() { QFile::remove(iniPath()); }

    void missingFileGivesDefaultsAndCreatesNothing()
    {
        const Settings s = LoadSettings(folder());
        QCOMPARE(s.backSound, folder() + u"back.wma"_s);
        QCOMPARE(s.ATltle, QString());
        QCOMPARE(s.iTime, 5);
        QCOMPARE(s.showNo, false);
        QVERIFY(!QFile::exists(iniPath()));
    }

    void integerRules_data()
    {
        QTest::addColumn<QByteArray>("iTime");
        QTest::addColumn<QByteArray>("showNo");
        QTest::addColumn<int>("expectedTime");
        QTest::addColumn<bool>("expectedShow");
        QTest::addRow("plain") << QByteArray("12") << QByteArray("1") << 12 << true;
        QTest::addRow("hex lower") << QByteArray("0x10") << QByteArray("0") << 16 << false;
        QTest::addRow("hex upper") << QByteArray("0X1f") << QByteArray("2") << 31 << true;
        QTest::addRow("not a number") << QByteArray("abc") << QByteArray("yes") << 5 << false;
        QTest::addRow("trailing junk") << QByteArray("12abc") << QByteArray("1x") << 5 << false;
        QTest::addRow("negative") << QByteArray("-3") << QByteArray("-1") << -3 << true;
        QTest::addRow("empty") << QByteArray("") << QByteArray("") << 5 << false;
        QTest::addRow("overflow") << QByteArray("99999999999") << QByteArray("0") << 5 << false;
        QTest::addRow("blanks around") << QByteArray("  7  ") << QByteArray(" 1 ") << 7 << true;
    }
    void integerRules()
    {
        QFETCH(QByteArray, iTime);
        QFETCH(QByteArray, showNo);
        writeIni("[config]\r\niTime=" + iTime + "\r\nshowNo=" + showNo + "\r\n");
        const Settings s = LoadSettings(folder());
        QTEST(s.iTime, "expectedTime");
        QTEST(s.showNo, "expectedShow");
    }

    void gbkTextAndCaseInsensitiveNames()
    {
        writeIni("[Config]\r\nATLTLE=" + Gbk::encode(u"年会抽奖"_s) + "\r\nbacksound=\"" + Gbk::encode(u"D:\\music\\春天.mp3"_s) + "\"\r\n");
        const Settings s = LoadSettings(folder());
        QCOMPARE(s.ATltle, u"年会抽奖"_s);
        QCOMPARE(s.backSound, u"D:\\music\\春天.mp3"_s);
    }

    void longTextIsCutAt2047Characters()
    {
        writeIni("[config]\r\nATltle=" + QByteArray(3000, 'a') + "\r\n");
        QCOMPARE(LoadSettings(folder()).ATltle.size(), 2047);
    }

    void saveRoundTripsInGbkAndKeepsOtherSections()
    {
        const QByteArray before = "; comment line\r\n[other]\r\nkey=\xC4\xE3\xBA\xC3\r\n\r\n[config]\r\nextra=keep\r\niTime=9\r\n";
        writeIni(before);
        Settings s;
        s.backSound = u"/音乐/背景.mp3"_s;
        s.ATltle = u"二〇二六年 年会"_s;
        s.iTime = 15;
        s.showNo = true;
        SaveSettings(folder(), s);

        const QByteArray after = readIni();
        QVERIFY(after.startsWith("; comment line\r\n[other]\r\nkey=\xC4\xE3\xBA\xC3\r\n"));
        QVERIFY(after.contains("extra=keep\r\n"));
        QVERIFY(after.contains("iTime=15\r\n"));
        QVERIFY(!after.contains("iTime=9"));
        QVERIFY(after.contains("showNo=1\r\n"));
        QVERIFY(after.contains(QByteArray("ATltle=" + Gbk::encode(s.ATltle) + "\r\n")));
        QCOMPARE(after.count("[config]"), 1);

        const Settings back = LoadSettings(folder());
        QCOMPARE(back.backSound, s.backSound);
        QCOMPARE(back.ATltle, s.ATltle);
        QCOMPARE(back.iTime, 15);
        QCOMPARE(back.showNo, true);
    }

    void saveCreatesFileAndSection()
    {
        Settings s;
        s.backSound = folder() + u"back.wma"_s;
        SaveSettings(folder(), s);
        const QByteArray text = readIni();
        QVERIFY(text.startsWith("[config]\r\nbackSound="));
        QVERIFY(text.contains("ATltle=\r\niTime=5\r\nshowNo=0\r\n"));
        QCOMPARE(LoadSettings(folder()).backSound, s.backSound);
    }

    void unwritablePathRaisesTheClassicError()
    {
        // A folder standing where the file should be cannot be written, even by root.
        QVERIFY(QDir(folder()).mkpath(u"config.ini"_s));
        Settings s;
        try {
            SaveSettings(folder(), s);
            QFAIL("no error raised");
        } catch (const AppError &e) {
            QCOMPARE(e.text(), u"Unable to write to %1"_s.arg(iniPath()));
        }
        QDir(iniPath()).removeRecursively();
    }
};

QTEST_GUILESS_MAIN(tst_settings)
#include "tst_settings.moc"
