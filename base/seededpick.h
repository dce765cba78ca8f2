#pragma once
#include <QByteArray>
#include <QString>
#include <cstdint>

// The draw's deterministic generator: every random choice of a press comes
// from HMAC-SHA256 keyed with the event's secret seed over the press number,
// the step within the press and an attempt number. Whoever learns the seed
// after the event can replay every choice; nobody can predict one before.
//
// The message is "prizedraw-pick", the press (8 bytes), the step (8 bytes)
// and the attempt (4 bytes), big-endian; a value is the first 8 bytes of the
// digest, big-endian. below() rejects the values at or above the last whole
// multiple of n, so that every index is equally likely.
namespace SeededPick {
constexpr int kSeedBytes = 32;

QByteArray block(const QByteArray &seed, std::uint64_t press, std::uint64_t step, std::uint32_t attempt);
std::uint64_t value(const QByteArray &seed, std::uint64_t press, std::uint64_t step, std::uint32_t attempt);
// An index in 0 .. n-1; n must be at least 1.
std::uint64_t below(const QByteArray &seed, std::uint64_t press, std::uint64_t step, std::uint64_t n);

// 32 bytes from the system's secure random source.
QByteArray newSeed();
// The commitment shown before the first press: SHA-256 of the seed, as 64
// lower-case hex digits.
QString commitmentOf(const QByteArray &seed);
} // namespace SeededPick
