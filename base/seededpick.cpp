#include "base/seededpick.h"

#include <QCryptographicHash>
#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <QtEndian>

namespace SeededPick {

QByteArray block(const QByteArray &seed, std::uint64_t press, std::uint64_t step, std::uint32_t attempt)
{
    QByteArray message("prizedraw-pick");
    char bytes[8];
    qToBigEndian(press, bytes);
    message.append(bytes, 8);
    qToBigEndian(step, bytes);
    message.append(bytes, 8);
    qToBigEndian(attempt, bytes);
    message.append(bytes, 4);
    return QMessageAuthenticationCode::hash(message, seed, QCryptographicHash::Sha256);
}

std::uint64_t value(const QByteArray &seed, std::uint64_t press, std::uint64_t step, std::uint32_t attempt)
{
    return qFromBigEndian<std::uint64_t>(block(seed, press, step, attempt).constData());
}

std::uint64_t below(const QByteArray &seed, std::uint64_t press, std::uint64_t step, std::uint64_t n)
{
    Q_ASSERT(n >= 1);
    // 2^64 - (2^64 mod n), computed without leaving 64 bits; 0 stands for 2^64
    // (n a power of two: nothing is rejected).
    const std::uint64_t limit = std::uint64_t(0) - ((std::uint64_t(0) - n) % n);
    for (std::uint32_t attempt = 0;; ++attempt) {
        const std::uint64_t v = value(seed, press, step, attempt);
        if (limit == 0 || v < limit)
            return v % n;
    }
}

QByteArray newSeed()
{
    QByteArray seed(kSeedBytes, Qt::Uninitialized);
    // The operating system's generator (getrandom), never a seeded one.
    QRandomGenerator::system()->generate(reinterpret_cast<quint32 *>(seed.data()),
                                         reinterpret_cast<quint32 *>(seed.data() + kSeedBytes));
    return seed;
}

QString commitmentOf(const QByteArray &seed)
{
    return QString::fromLatin1(QCryptographicHash::hash(seed, QCryptographicHash::Sha256).toHex());
}

} // namespace SeededPick
