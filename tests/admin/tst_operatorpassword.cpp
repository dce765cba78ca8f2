// The operator's password without widgets: its stored form against a PBKDF2
// computed here from the definition, forms that cannot be read, and the wait
// after wrong ones on a clock the test moves.
#include "admin/operatorpassword.h"
#include "base/errors.h"
#include "base/settings.h"
#include "testsupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QMessageAuthenticationCode>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// PBKDF2-HMAC-SHA256, first block only (32 bytes), straight from RFC 8018.
QByteArray referencePbkdf2(const QByteArray &password, const QByteArray &salt, int iterations)
{
    QByteArray u =
        QMessageAuthenticationCode::hash(salt + QByteArray("\0\0\0\1", 4), password, QCryptographicHash::Sha256);
    QByteArray t = u;
    for (int i = 1; i < iterations; ++i) {
        u = QMessageAuthenticationCode::hash(u, password, QCryptographicHash::Sha256);
        for (qsizetype b = 0; b < t.size(); ++b)
            t[b] = char(t[b] ^ u[b]);
    }
    return t;
}
} // namespace

class TestOperatorPassword : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void storedFormIsSaltedPbkdf2()
    {
        const QString password = u"年会2026"_s;
        const QString stored = hashPassword(password, 3);
        const QStringList parts = stored.split(u'$');
        QCOMPARE(parts.size(), 4);
        QCOMPARE(parts[0], u"pbkdf2-sha256"_s);
        QCOMPARE(parts[1], u"3"_s);
        const QByteArray salt = QByteArray::fromBase64(parts[2].toLatin1());
        const QByteArray key = QByteArray::fromBase64(parts[3].toLatin1());
        QCOMPARE(salt.size(), 16);
        QCOMPARE(key, referencePbkdf2(password.toUtf8(), salt, 3));
        // Without its salt, or as a plain digest, the key gives nothing away.
        QVERIFY(key != referencePbkdf2(password.toUtf8(), QByteArray(), 3));
        QVERIFY(key != QCryptographicHash::hash(password.toUtf8(), QCryptographicHash::Sha256));
        QVERIFY(!stored.contains(password));
        // A fresh salt each time: one password, two stored forms.
        QVERIFY(hashPassword(password, 3) != stored);
        QCOMPARE(matchPassword(password, stored), PasswordMatch::Yes);
        QCOMPARE(matchPassword(password + u' ', stored), PasswordMatch::No);
        QCOMPARE(matchPassword(QString(), stored), PasswordMatch::No);
        // The default cost, named in the form so that it can be raised later.
        QVERIFY(hashPassword(password).startsWith(u"pbkdf2-sha256$600000$"_s));
    }

    void match_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<PasswordMatch>("expected");
        const QString salt = QString::fromLatin1(QByteArray("0123456789abcdef").toBase64());
        const QString key = QString::fromLatin1(referencePbkdf2("secret", "0123456789abcdef", 2).toBase64());
        const auto form = [](const QString &a, const QString &b, const QString &c, const QString &d) {
            return QStringList{a, b, c, d}.join(u'$');
        };
        QTest::addRow("none set: built-in") << u"582"_s << QString() << PasswordMatch::Yes;
        QTest::addRow("none set: trailing space") << u"582 "_s << QString() << PasswordMatch::No;
        QTest::addRow("none set: longer") << u"5820"_s << QString() << PasswordMatch::No;
        QTest::addRow("none set: empty") << QString() << QString() << PasswordMatch::No;
        QTest::addRow("made elsewhere") << u"secret"_s << form(u"pbkdf2-sha256"_s, u"2"_s, salt, key)
                                        << PasswordMatch::Yes;
        QTest::addRow("set: built-in no longer")
            << u"582"_s << form(u"pbkdf2-sha256"_s, u"2"_s, salt, key) << PasswordMatch::No;
        QTest::addRow("other cost") << u"secret"_s << form(u"pbkdf2-sha256"_s, u"3"_s, salt, key) << PasswordMatch::No;
        QTest::addRow("unknown method") << u"secret"_s << form(u"argon2id"_s, u"2"_s, salt, key)
                                        << PasswordMatch::Unreadable;
        QTest::addRow("clear text") << u"secret"_s << u"secret"_s << PasswordMatch::Unreadable;
        QTest::addRow("cost not a number")
            << u"secret"_s << form(u"pbkdf2-sha256"_s, u"x"_s, salt, key) << PasswordMatch::Unreadable;
        QTest::addRow("cost zero") << u"secret"_s << form(u"pbkdf2-sha256"_s, u"0"_s, salt, key)
                                   << PasswordMatch::Unreadable;
        // A file asking for hours of work is damaged, not a hash of ours.
        QTest::addRow("cost huge") << u"secret"_s << form(u"pbkdf2-sha256"_s, u"99999999999"_s, salt, key)
                                   << PasswordMatch::Unreadable;
        // A hundred million rounds froze F2 for half a minute a try.
        QTest::addRow("cost past ten million")
            << u"secret"_s << form(u"pbkdf2-sha256"_s, u"10000001"_s, salt, key) << PasswordMatch::Unreadable;
        QTest::addRow("salt not base64") << u"secret"_s << form(u"pbkdf2-sha256"_s, u"2"_s, u"*?"_s, key)
                                         << PasswordMatch::Unreadable;
        QTest::addRow("key cut short") << u"secret"_s << form(u"pbkdf2-sha256"_s, u"2"_s, salt, key.left(8))
                                       << PasswordMatch::Unreadable;
        QTest::addRow("one part missing") << u"secret"_s << (u"pbkdf2-sha256$2$"_s + salt) << PasswordMatch::Unreadable;
    }
    void match()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(PasswordMatch, expected);
        QCOMPARE(matchPassword(typed, stored), expected);
    }

    // Five wrong ones in a row make the operator wait a minute; the right one
    // is not even checked meanwhile; after the wait one more wrong one waits
    // again, and only a right one starts the count afresh.
    void waitAfterFiveWrongOnes()
    {
        QTemporaryDir dir;
        Settings settings;
        FakePacer clock;
        OperatorPassword password(dir.path() + u'/', settings, clock);
        using Check = OperatorPassword::Check;
        for (int i = 1; i < OperatorPassword::kWrongInARow; ++i) {
            QCOMPARE(password.check(u"1234"_s), Check::Wrong);
            // The box cancelled is no guess.
            QCOMPARE(password.check(QString()), Check::Wrong);
            QCOMPARE(password.secondsToWait(), 0);
        }
        QCOMPARE(password.check(u"1234"_s), Check::Wrong);
        QCOMPARE(password.secondsToWait(), 60);
        QCOMPARE(password.waitText(), u"密码已连续输错 5 次，请在 60 秒后再试。"_s);
        clock.clockMs += 59'001;
        QCOMPARE(password.secondsToWait(), 1);
        QCOMPARE(password.check(u"582"_s), Check::Waiting);
        clock.clockMs += 999;
        QCOMPARE(password.secondsToWait(), 0);
        QCOMPARE(password.check(u"1234"_s), Check::Wrong);
        QCOMPARE(password.secondsToWait(), 60);
        clock.clockMs += 60'000;
        QCOMPARE(password.check(u"582"_s), Check::Right);
        QCOMPARE(password.check(u"1234"_s), Check::Wrong);
        QCOMPARE(password.secondsToWait(), 0);
    }

    void changeWritesOnlyTheHash()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + u'/';
        Settings settings;
        FakePacer clock;
        OperatorPassword password(folder, settings, clock);
        password.change(u"抽奖-4321"_s);
        QFile ini(folder + u"config.ini"_s);
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray bytes = ini.readAll();
        QVERIFY(bytes.contains("passwordHash=pbkdf2-sha256$600000$"));
        QVERIFY(!QString::fromLocal8Bit(bytes).contains(u"4321"_s));
        QCOMPARE(LoadSettings(folder).passwordHash, settings.passwordHash);
        QCOMPARE(password.check(u"582"_s), OperatorPassword::Check::Wrong);
        QCOMPARE(password.check(u"抽奖-4321"_s), OperatorPassword::Check::Right);

        // A file that cannot be written leaves the password in force as it was.
        const QString before = settings.passwordHash;
        QVERIFY(QFile::remove(folder + u"config.ini"_s));
        QVERIFY(QDir(folder).mkdir(u"config.ini"_s));
        try {
            password.change(u"other"_s);
            QFAIL("no error for a settings file that cannot be written");
        } catch (const AppError &e) {
            QVERIFY2(e.text().contains(QDir::toNativeSeparators(folder + u"config.ini"_s)), qPrintable(e.text()));
        }
        QCOMPARE(settings.passwordHash, before);
    }
};

QTEST_GUILESS_MAIN(TestOperatorPassword)
#include "tst_operatorpassword.moc"
