#include "base/errors.h"
#include "base/inifile.h"
#include "base/settings.h"
#include "base/textcodec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_settings : public QObject {
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
        QTest::addRow("negative is none") << QByteArray("-3") << QByteArray("-1") << 0 << true;
        QTest::addRow("huge is 50") << QByteArray("100000") << QByteArray("1") << 50 << true;
        QTest::addRow("largest int is 50") << QByteArray("2147483647") << QByteArray("0") << 50 << false;
        QTest::addRow("hex huge is 50") << QByteArray("0x7FFFFFFF") << QByteArray("0") << 50 << false;
        QTest::addRow("dollar is no hex") << QByteArray("$10") << QByteArray("$1") << 5 << false;
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
        writeIni("[Config]\r\nATLTLE=" + Gbk::encode(u"年会抽奖"_s) + "\r\nbacksound=\""
                 + Gbk::encode(u"D:\\music\\春天.mp3"_s) + "\"\r\n");
        const Settings s = LoadSettings(folder());
        QCOMPARE(s.ATltle, u"年会抽奖"_s);
        QCOMPARE(s.backSound, u"D:\\music\\春天.mp3"_s);
    }

    // Notepad saves UTF-8 with a mark, UTF-16 either way round, and old Mac
    // editors end lines with a lone CR. Such a file is read, and a save keeps
    // its encoding and every other line.
    void otherEncodingsAndLineEnds_data()
    {
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QByteArray>("eol");
        QTest::addRow("gbk lone cr") << u"gbk"_s << QByteArray("\r");
        QTest::addRow("gbk lf") << u"gbk"_s << QByteArray("\n");
        QTest::addRow("utf-8 mark") << u"utf8"_s << QByteArray("\r\n");
        QTest::addRow("utf-8 mark lone cr") << u"utf8"_s << QByteArray("\r");
        QTest::addRow("utf-16 le") << u"le"_s << QByteArray("\r\n");
        QTest::addRow("utf-16 be") << u"be"_s << QByteArray("\n");
    }
    void otherEncodingsAndLineEnds()
    {
        QFETCH(QString, encoding);
        QFETCH(QByteArray, eol);
        const QString text = u"[other]"_s + QString::fromLatin1(eol) + u"备注=保留 😀"_s + QString::fromLatin1(eol)
                             + u"[config]"_s + QString::fromLatin1(eol) + u"ATltle=年会抽奖"_s
                             + QString::fromLatin1(eol) + u"iTime=7"_s + QString::fromLatin1(eol) + u"showNo=1"_s
                             + QString::fromLatin1(eol);
        auto encode = [&encoding](const QString &t) -> QByteArray {
            if (encoding == u"gbk"_s)
                return Gbk::encode(t);
            if (encoding == u"utf8"_s)
                return QByteArray("\xEF\xBB\xBF") + t.toUtf8();
            QByteArray out = encoding == u"le"_s ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
            for (QChar c : t) {
                const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xff);
                out.append(encoding == u"le"_s ? lo : hi).append(encoding == u"le"_s ? hi : lo);
            }
            return out;
        };
        const bool gbk = encoding == u"gbk"_s;
        writeIni(encode(gbk ? QString(text).replace(u" 😀"_s, QString()) : text));
        Settings s = LoadSettings(folder());
        QCOMPARE(s.ATltle, u"年会抽奖"_s);
        QCOMPARE(s.iTime, 7);
        QCOMPARE(s.showNo, true);

        s.ATltle = u"新标题"_s;
        s.iTime = 9;
        SaveSettings(folder(), s);
        QString expected = text;
        expected.replace(QString::fromLatin1(eol), u"\r\n"_s)
            .replace(u"ATltle=年会抽奖"_s, u"ATltle=新标题"_s)
            .replace(u"iTime=7"_s, u"iTime=9"_s)
            .replace(u"showNo=1\r\n"_s, u"showNo=1\r\nbackSound="_s + s.backSound + u"\r\n"_s);
        if (gbk)
            expected.replace(u" 😀"_s, QString());
        QCOMPARE(readIni(), encode(expected));
        const Settings back = LoadSettings(folder());
        QCOMPARE(back.ATltle, u"新标题"_s);
        QCOMPARE(back.iTime, 9);
    }

    void longTextIsCutAt2047Characters()
    {
        writeIni("[config]\r\nATltle=" + QByteArray(3000, 'a') + "\r\n");
        QCOMPARE(LoadSettings(folder()).ATltle.size(), 2047);
    }

    // A 50 MB file took minutes to start with (each key read all of it): a
    // file over 1 MB is named, not read, and not written over.
    void oversizedFileIsNamedNotReadNorWritten()
    {
        QByteArray bytes = "[config]\r\nATltle=big\r\n";
        bytes += QByteArray(IniFile::kMostBytes, ';');
        writeIni(bytes);
        QCOMPARE(LoadSettings(folder()).ATltle, QString());
        const QString problem = settingsFileProblem(folder());
        QVERIFY2(problem.contains(QDir::toNativeSeparators(iniPath())) && problem.contains(u"没有读取"_s),
                 qPrintable(problem));
        QVERIFY_THROWS_EXCEPTION(AppError, SaveSettings(folder(), Settings()));
        QCOMPARE(readIni(), bytes);
        writeIni("[config]\r\nATltle=small\r\n");
        QCOMPARE(settingsFileProblem(folder()), QString());
    }

    // The look's pictures are names inside pictures/; one that leads out of
    // it reads as none (the delivered artwork).
    void lookNamesStayInsidePictures_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("taken");
        QTest::addRow("plain") << QByteArray("background.jpg") << u"background.jpg"_s;
        QTest::addRow("up and out") << QByteArray("../../etc/passwd") << QString();
        QTest::addRow("full path") << QByteArray("/home/x/secret.png") << QString();
        QTest::addRow("windows path") << QByteArray("C:\\a.jpg") << QString();
        QTest::addRow("parent") << QByteArray("..") << QString();
    }
    void lookNamesStayInsidePictures()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, taken);
        writeIni("[config]\r\nstageBackground=" + stored + "\r\nstageLogo=" + stored + "\r\n");
        QCOMPARE(LoadSettings(folder()).stageBackground, taken);
        QCOMPARE(LoadSettings(folder()).stageLogo, taken);
    }

    void saveRoundTripsInGbkAndKeepsOtherSections()
    {
        const QByteArray before =
            "; comment line\r\n[other]\r\nkey=\xC4\xE3\xBA\xC3\r\n\r\n[config]\r\nextra=keep\r\niTime=9\r\n";
        writeIni(before);
        Settings s;
        s.backSound = u"/音乐/背景.mp3"_s;
        s.ATltle = u"二〇二六年 年会"_s;
        s.iTime = 15;
        s.showNo = true;
        s.stageScreen = u"HDMI-1"_s;
        s.stageBackground = u"会场背景.jpg"_s;
        s.stageLogo = u"logo.png"_s;
        s.showPhotos = true;
        s.passwordHash = u"pbkdf2-sha256$600000$c2FsdA==$a2V5"_s;
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
        QCOMPARE(back.stageScreen, u"HDMI-1"_s);
        QCOMPARE(back.passwordHash, s.passwordHash);
        QCOMPARE(back.stageBackground, s.stageBackground);
        QCOMPARE(back.stageLogo, s.stageLogo);
        QCOMPARE(back.showPhotos, true);
        QVERIFY(after.contains("showPhotos=1\r\n"));
        // Back to the default: the keys stay, empty or off.
        s.stageScreen.clear();
        s.stageBackground.clear();
        s.stageLogo.clear();
        s.showPhotos = false;
        SaveSettings(folder(), s);
        QVERIFY(readIni().contains("stageScreen=\r\n"));
        QVERIFY(readIni().contains("stageBackground=\r\nstageLogo=\r\nshowPhotos=0\r\n"));
        QCOMPARE(LoadSettings(folder()).stageScreen, QString());
        QCOMPARE(LoadSettings(folder()).stageBackground, QString());
    }

    void saveCreatesFileAndSection()
    {
        Settings s;
        s.backSound = folder() + u"back.wma"_s;
        SaveSettings(folder(), s);
        const QByteArray text = readIni();
        QVERIFY(text.startsWith("[config]\r\nbackSound="));
        QVERIFY(text.contains("ATltle=\r\niTime=5\r\nshowNo=0\r\n"));
        // A machine that never chose a stage screen gets no key for it.
        QVERIFY(!text.contains("stageScreen"));
        // Nor for the look while it is the delivered one.
        QVERIFY(!text.contains("stage") && !text.contains("showPhotos"));
        QVERIFY(!text.contains("passwordHash"));
        QCOMPARE(LoadSettings(folder()).backSound, s.backSound);
    }

    // Every setting of the table, with a value other than its default, comes
    // back from config.ini as written; integers are held to their range.
    void everySettingOfTheTableRoundTrips()
    {
        writeIni("[other]\r\nkey=keep\r\n");
        Settings s;
        for (const SettingSpec &spec : settingsTable()) {
            const bool text = std::holds_alternative<QString Settings::*>(spec.field);
            const bool isInt = std::holds_alternative<int Settings::*>(spec.field);
            setSettingText(s, spec,
                           text    ? u"值 "_s + spec.key
                           : isInt ? QString::number(spec.max - 1)
                                   : QString::number(1 - spec.defaultInt));
        }
        SaveSettings(folder(), s);
        const Settings back = LoadSettings(folder(), u"/elsewhere/"_s);
        for (const SettingSpec &spec : settingsTable())
            QCOMPARE(settingText(back, spec), settingText(s, spec));
        QVERIFY(readIni().startsWith("[other]\r\nkey=keep\r\n"));

        for (const SettingSpec &spec : settingsTable()) {
            if (!std::holds_alternative<int Settings::*>(spec.field))
                continue;
            setSettingText(s, spec, QString::number(spec.max + 1000));
            QCOMPARE(settingText(s, spec), QString::number(spec.max));
            setSettingText(s, spec, QString::number(spec.min - 1));
            QCOMPARE(settingText(s, spec), QString::number(spec.min));
        }
    }

    // The owner of the settings in memory names the keys that changed, once a
    // page's values are taken or config.ini is read again.
    void modelAnnouncesWhatChanged()
    {
        Settings inMemory = LoadSettings(folder());
        SettingsModel model(inMemory, folder(), folder());
        QSignalSpy changed(&model, &SettingsModel::changed);
        Settings next = inMemory;
        next.ATltle = u"年会"_s;
        next.iTime = 20;
        model.apply(next);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.takeFirst().first().toStringList(), (QStringList{u"ATltle"_s, u"iTime"_s}));
        QCOMPARE(inMemory.ATltle, u"年会"_s);
        QCOMPARE(LoadSettings(folder()).iTime, 20);
        model.apply(next); // nothing new
        QCOMPARE(changed.size(), 0);

        writeIni("[config]\r\nATltle=abc\r\niTime=20\r\nshowNo=1\r\n");
        model.reload();
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.takeFirst().first().toStringList(), (QStringList{u"ATltle"_s, u"showNo"_s}));
        QVERIFY(inMemory.showNo);
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
