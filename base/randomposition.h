#pragma once
#include "base/seededpick.h"

#include <QByteArray>
#include <cstdint>

// The draw's randomness. position() moves the rolling digits (decoration:
// the program reseeds from a high-resolution counter); pick() makes every
// choice of a press from the event's seed (see SeededPick), so that it can be
// replayed. Tests supply both.
class RandomPosition {
public:
    virtual ~RandomPosition() = default;
    // A position in 0 .. n-1 for the roll.
    virtual int position(int n) = 0;
    // The index in 0 .. n-1 of the press's step.
    virtual std::uint64_t pick(const QByteArray &seed, std::uint64_t press, std::uint64_t step, std::uint64_t n)
    {
        return SeededPick::below(seed, press, step, n);
    }
};
