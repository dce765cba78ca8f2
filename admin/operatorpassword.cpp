#include "admin/operatorpassword.h"

#include "base/errors.h"
#include "base/pacer.h"
#include "base/settings.h"

#include <QDir>
#include <QStringList>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

using namespace Qt::StringLiterals;

namespace {

const QString kMethod = u"pbkdf2-sha256"_s;
// Every copy of the program opens with this one until the operator sets theirs.
const QString kBuiltIn = u"582"_s;
constexpr int kSaltBytes = 16;
constexpr int kKeyBytes = 32;
// A stored form asking for more would stall F2 for seconds at every try (a
// hundred million took 35 s): a damaged or tampered file, not a hash this
// program made, which uses 600,000.
constexpr qint64 kMostIterations = 10'000'000;

QByteArray derive(const QByteArray &password, const QByteArray &salt, int iterations, int length)
{
    QByteArray key(length, '\0');
    if (PKCS5_PBKDF2_HMAC(password.constData(), int(password.size()),
                          reinterpret_cast<const unsigned char *>(salt.constData()), int(salt.size()), iterations,
                          EVP_sha256(), length, reinterpret_cast<unsigned char *>(key.data()))
        != 1)
        throw AppError(u"无法计算密码的校验值（OpenSSL 出错）。"_s);
    return key;
}

bool sameBytes(const QByteArray &a, const QByteArray &b)
{
    return a.size() == b.size() && CRYPTO_memcmp(a.constData(), b.constData(), size_t(a.size())) == 0;
}

QByteArray fromBase64(const QString &text)
{
    const auto decoded = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    return decoded ? *decoded : QByteArray();
}

} // namespace

QString hashPassword(const QString &password, int iterations)
{
    QByteArray salt(kSaltBytes, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char *>(salt.data()), kSaltBytes) != 1)
        throw AppError(u"无法取得随机数，密码没有设置。"_s);
    const QByteArray key = derive(password.toUtf8(), salt, iterations, kKeyBytes);
    return QStringList{kMethod, QString::number(iterations), QString::fromLatin1(salt.toBase64()),
                       QString::fromLatin1(key.toBase64())}
        .join(u'$');
}

PasswordMatch matchPassword(const QString &typed, const QString &stored)
{
    if (stored.isEmpty())
        return sameBytes(typed.toUtf8(), kBuiltIn.toUtf8()) ? PasswordMatch::Yes : PasswordMatch::No;
    const QStringList parts = stored.trimmed().split(u'$');
    if (parts.size() != 4 || parts[0] != kMethod)
        return PasswordMatch::Unreadable;
    bool numeric = false;
    const qint64 iterations = parts[1].toLongLong(&numeric);
    const QByteArray salt = fromBase64(parts[2]);
    const QByteArray key = fromBase64(parts[3]);
    if (!numeric || iterations < 1 || iterations > kMostIterations || salt.isEmpty() || key.size() < 16
        || key.size() > 64)
        return PasswordMatch::Unreadable;
    return sameBytes(derive(typed.toUtf8(), salt, int(iterations), int(key.size())), key) ? PasswordMatch::Yes
                                                                                          : PasswordMatch::No;
}

OperatorPassword::OperatorPassword(QString dataFolder, Settings &settings, Pacer &clock)
    : m_dataFolder(std::move(dataFolder)), m_settings(settings), m_clock(clock)
{}

OperatorPassword::Check OperatorPassword::check(const QString &typed)
{
    if (secondsToWait() > 0)
        return Check::Waiting;
    switch (matchPassword(typed, m_settings.passwordHash)) {
    case PasswordMatch::Yes:
        m_wrongInARow = 0;
        return Check::Right;
    case PasswordMatch::Unreadable:
        return Check::Unreadable;
    case PasswordMatch::No:
        break;
    }
    if (typed.isEmpty())
        return Check::Wrong;
    // Past the fifth, each further wrong one waits again: a minute per guess.
    if (++m_wrongInARow >= kWrongInARow)
        m_waitUntilMs = m_clock.nowMs() + kWaitMs;
    return Check::Wrong;
}

int OperatorPassword::secondsToWait() const
{
    if (m_wrongInARow < kWrongInARow)
        return 0;
    const qint64 left = m_waitUntilMs - m_clock.nowMs();
    return left > 0 ? int((left + 999) / 1000) : 0;
}

void OperatorPassword::change(const QString &newPassword)
{
    const QString stored = hashPassword(newPassword);
    try {
        SavePasswordHash(m_dataFolder, stored);
    } catch (const AppError &) {
        const QString file = QDir::toNativeSeparators(m_dataFolder + u"config.ini"_s);
        throw AppError(u"无法写入 %1，密码没有改变。请检查这个文件及其文件夹是否可写。"_s.arg(file));
    }
    m_settings.passwordHash = stored;
    m_wrongInARow = 0;
}

QString OperatorPassword::waitText() const
{
    return u"密码已连续输错 %1 次，请在 %2 秒后再试。"_s.arg(m_wrongInARow).arg(secondsToWait());
}

QString OperatorPassword::unreadableText() const
{
    const QString file = QDir::toNativeSeparators(m_dataFolder + u"config.ini"_s);
    return u"%1 中保存的密码（passwordHash 一行）已损坏或来自更新版本的程序，无法核对。"
           u"请关闭本程序，删去这一行（此后密码为 582），再在“系统设置”中重新设置密码。"_s.arg(file);
}
