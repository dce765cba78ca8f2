#pragma once
#include "base/randomposition.h"

#include <cstdint>

// The draw's generator: before every pick the seed is taken afresh from a
// high-resolution counter, so no state is carried from one pick to the next.
class CounterRandom : public RandomPosition {
public:
    int position(int n) override;

    // One step of the generator from a given seed: seed * 134775813 + 1
    // modulo 2^32, scaled to 0 .. n-1 by the high 32 bits of seed * n.
    static int positionFromSeed(std::uint32_t seed, int n);
    // Low 32 bits of the monotonic counter in nanoseconds; the millisecond
    // tick since start when that counter is not available.
    static std::uint32_t counterSeed();
};
