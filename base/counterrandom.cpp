#include "base/counterrandom.h"

#include <QElapsedTimer>
#include <time.h>

int CounterRandom::positionFromSeed(std::uint32_t seed, int n)
{
    if (n <= 0)
        return 0;
    seed = seed * 134775813u + 1u; // unsigned arithmetic wraps modulo 2^32
    return static_cast<int>((static_cast<std::uint64_t>(seed) * static_cast<std::uint64_t>(n)) >> 32);
}

std::uint32_t CounterRandom::counterSeed()
{
    timespec now{};
    if (clock_gettime(CLOCK_MONOTONIC, &now) == 0) {
        const auto ns = static_cast<std::uint64_t>(now.tv_sec) * 1000000000u + static_cast<std::uint64_t>(now.tv_nsec);
        return static_cast<std::uint32_t>(ns);
    }
    static QElapsedTimer sinceStart = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return static_cast<std::uint32_t>(sinceStart.elapsed());
}

int CounterRandom::position(int n) { return positionFromSeed(counterSeed(), n); }
