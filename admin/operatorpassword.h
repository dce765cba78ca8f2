#pragma once
#include <QString>

class Pacer;
struct Settings;

// The stored form of a password: "pbkdf2-sha256$<iterations>$<salt>$<key>",
// salt and key in Base64. The method and its cost travel with each hash, so a
// later version can raise them and still check the passwords set before.
inline constexpr int kPasswordIterations = 600'000;
QString hashPassword(const QString &password, int iterations = kPasswordIterations);

enum class PasswordMatch { Yes, No, Unreadable };
// Compares in constant time. An empty `stored` means no password was set and
// the built-in one holds; a stored form this version cannot read matches
// nothing.
PasswordMatch matchPassword(const QString &typed, const QString &stored);

// The operator's password that opens the designations and exclusions (F2):
// checks what was typed, makes the operator wait after too many wrong ones in
// a row, and sets a new one, written to config.ini at once.
class OperatorPassword {
public:
    // `dataFolder` (with trailing separator) holds config.ini; `settings` are
    // the ones in memory; `clock` measures the wait.
    OperatorPassword(QString dataFolder, Settings &settings, Pacer &clock);

    enum class Check { Right, Wrong, Waiting, Unreadable };
    // Right resets the count of wrong ones; while the operator must wait
    // nothing is checked. An empty text (the box cancelled) is not counted.
    Check check(const QString &typed);
    // Whole seconds, rounded up, until a password is checked again; 0 when
    // nothing makes the operator wait.
    int secondsToWait() const;

    // Throws AppError naming config.ini when it cannot be written; the
    // password in force then stays as it was.
    void change(const QString &newPassword);

    // The operator's words for a wait and for a stored form that cannot be read.
    QString waitText() const;
    QString unreadableText() const;

    static constexpr int kWrongInARow = 5;
    static constexpr qint64 kWaitMs = 60'000;

private:
    QString m_dataFolder;
    Settings &m_settings;
    Pacer &m_clock;
    int m_wrongInARow = 0;
    qint64 m_waitUntilMs = 0;
};
