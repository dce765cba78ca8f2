#include "base/datafolder.h"
#include "base/errors.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

// An install laid out under a temporary prefix: prefix/bin (the executable's
// folder), prefix/share/prizedraw (the delivered files) and a home whose XDG
// data home receives the operator's data.
class tst_datafolder : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString bin() const { return dir.path() + u"/usr/bin/"_s; }
    QString delivered() const { return dir.path() + u"/usr/share/prizedraw/"_s; }
    QString dataHome() const { return dir.path() + u"/home/.local/share"_s; }
    QString data() const { return dataHome() + u"/prizedraw/"_s; }

    static void put(const QString &path, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(bytes), bytes.size());
    }
    static QByteArray contents(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    static int mode(const QString &path)
    {
        struct stat st {};
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
    }
    Folders installed() const { return decideFolders(bin(), dataHome()); }

private Q_SLOTS:
    void init()
    {
        QVERIFY(QDir(dir.path()).removeRecursively());
        QVERIFY(QDir().mkpath(bin()));
        put(delivered() + u"config.dll"_s, "delivered empty database");
        put(delivered() + u"back.wma"_s, "music");
    }

    void configBesideTheExecutableMeansPortable()
    {
        put(bin() + u"config.dll"_s, "portable database");
        const Folders f = installed();
        QVERIFY(!f.installed);
        QCOMPARE(f.data, bin());
        QCOMPARE(f.program, bin());
        // Nothing is made or copied for a portable folder.
        prepareDataFolder(f);
        QVERIFY(!QFileInfo::exists(data()));
    }

    void otherwiseInstalled()
    {
        const Folders f = installed();
        QVERIFY(f.installed);
        QCOMPARE(f.program, QDir::cleanPath(delivered()) + u'/');
        QCOMPARE(f.data, data());
    }

    void xdgDataHomeIsRespected()
    {
        const QByteArray saved = qgetenv("XDG_DATA_HOME");
        const QString elsewhere = dir.path() + u"/xdg"_s;
        qputenv("XDG_DATA_HOME", QFile::encodeName(elsewhere));
        const Folders f = decideFolders(bin());
        saved.isNull() ? qunsetenv("XDG_DATA_HOME") : qputenv("XDG_DATA_HOME", saved);
        QVERIFY(f.installed);
        QCOMPARE(f.data, elsewhere + u"/prizedraw/"_s);
    }

    // The delivered copies fill a data folder once; what the operator has is
    // never replaced, whatever the delivered files are now (a reinstall or an
    // upgrade brings new ones).
    void firstFillThenNeverOverwrite_data()
    {
        QTest::addColumn<QByteArray>("userDll"); // empty: none yet
        QTest::addColumn<QByteArray>("userIni");
        QTest::addColumn<QByteArray>("deliveredIni"); // empty: none delivered
        QTest::addColumn<QByteArray>("expectDll");
        QTest::addColumn<QByteArray>("expectIni"); // empty: none there
        QTest::addRow("first start, no settings delivered")
            << QByteArray() << QByteArray() << QByteArray() << QByteArray("delivered empty database") << QByteArray();
        QTest::addRow("first start, settings delivered")
            << QByteArray() << QByteArray() << QByteArray("[config]") << QByteArray("delivered empty database")
            << QByteArray("[config]");
        QTest::addRow("operator's database kept")
            << QByteArray("roster and winners") << QByteArray() << QByteArray("[config]")
            << QByteArray("roster and winners") << QByteArray("[config]");
        QTest::addRow("operator's settings kept")
            << QByteArray("roster and winners") << QByteArray("ATltle=mine") << QByteArray("[config]")
            << QByteArray("roster and winners") << QByteArray("ATltle=mine");
    }
    void firstFillThenNeverOverwrite()
    {
        QFETCH(QByteArray, userDll);
        QFETCH(QByteArray, userIni);
        QFETCH(QByteArray, deliveredIni);
        QFETCH(QByteArray, expectDll);
        QFETCH(QByteArray, expectIni);
        if (!userDll.isEmpty())
            put(data() + u"config.dll"_s, userDll);
        if (!userIni.isEmpty())
            put(data() + u"config.ini"_s, userIni);
        if (!deliveredIni.isEmpty())
            put(delivered() + u"config.ini"_s, deliveredIni);

        for (int start = 0; start < 2; ++start) { // a second start changes nothing
            prepareDataFolder(installed());
            QCOMPARE(contents(data() + u"config.dll"_s), expectDll);
            QCOMPARE(QFileInfo::exists(data() + u"config.ini"_s), !expectIni.isEmpty());
            if (!expectIni.isEmpty())
                QCOMPARE(contents(data() + u"config.ini"_s), expectIni);
        }
        // The program's own files stay where they were delivered, and no
        // temporary copy is left behind.
        const QStringList expectFiles =
            expectIni.isEmpty() ? QStringList{u"config.dll"_s} : QStringList{u"config.dll"_s, u"config.ini"_s};
        QCOMPARE(QDir(data()).entryList(QDir::Files | QDir::Hidden), expectFiles);
    }

    // The staff's names are readable by their owner only, also in a folder
    // made by hand or by an older copy with wider modes, and in whatever the
    // program makes there afterwards.
    void ownerOnlyModes_data()
    {
        QTest::addColumn<bool>("existedBefore");
        QTest::addRow("made by the program") << false;
        QTest::addRow("existing with wide modes") << true;
    }
    void ownerOnlyModes()
    {
        QFETCH(bool, existedBefore);
        put(delivered() + u"config.ini"_s, "[config]");
        if (existedBefore) {
            put(data() + u"config.dll"_s, "roster");
            put(data() + u"config.ini"_s, "[config]");
            QVERIFY(::chmod(QFile::encodeName(data()).constData(), 0755) == 0);
            QVERIFY(::chmod(QFile::encodeName(data() + u"config.dll"_s).constData(), 0644) == 0);
            QVERIFY(::chmod(QFile::encodeName(data() + u"config.ini"_s).constData(), 0666) == 0);
            // A crash's journal, saved copies in a subfolder, and a link to a
            // file that is not the program's.
            put(data() + u"config.dll-journal"_s, "journal");
            put(data() + u"backups/old.dll"_s, "copy");
            put(dir.path() + u"/elsewhere.txt"_s, "not ours");
            QVERIFY(::chmod(QFile::encodeName(data() + u"config.dll-journal"_s).constData(), 0644) == 0);
            QVERIFY(::chmod(QFile::encodeName(data() + u"backups"_s).constData(), 0755) == 0);
            QVERIFY(::chmod(QFile::encodeName(data() + u"backups/old.dll"_s).constData(), 0664) == 0);
            QVERIFY(::chmod(QFile::encodeName(dir.path() + u"/elsewhere.txt"_s).constData(), 0644) == 0);
            QVERIFY(QFile::link(dir.path() + u"/elsewhere.txt"_s, data() + u"link.txt"_s));
        }
        ::umask(022);
        prepareDataFolder(installed());
        QCOMPARE(mode(data()), 0700);
        QCOMPARE(mode(data() + u"config.dll"_s), 0600);
        QCOMPARE(mode(data() + u"config.ini"_s), 0600);
        if (existedBefore) {
            QCOMPARE(mode(data() + u"config.dll-journal"_s), 0600);
            QCOMPARE(mode(data() + u"backups"_s), 0700);
            QCOMPARE(mode(data() + u"backups/old.dll"_s), 0600);
            QCOMPARE(mode(dir.path() + u"/elsewhere.txt"_s), 0644);
        }
        put(data() + u"made later.dll"_s, "snapshot");
        QVERIFY(QDir(data()).mkdir(u"made later"_s));
        QCOMPARE(mode(data() + u"made later.dll"_s), 0600);
        QCOMPARE(mode(data() + u"made later"_s), 0700);
        ::umask(022);
    }

    void unusableDataFolderIsNamed()
    {
        // A file where the data home should be: no user, not even root, can
        // make the folder there.
        put(dataHome(), "not a folder");
        try {
            prepareDataFolder(installed());
            QFAIL("no error for a data folder that cannot be made");
        } catch (const AppError &e) {
            QVERIFY2(e.text().contains(QDir::toNativeSeparators(data())), qPrintable(e.text()));
        }
    }
};

QTEST_GUILESS_MAIN(tst_datafolder)
#include "tst_datafolder.moc"
