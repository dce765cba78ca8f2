#pragma once
#include <cstdint>

// Picks a position in 0 .. n-1 for the draw. The program's generator reseeds
// from a high-resolution counter before every pick; tests supply positions.
class RandomPosition {
public:
    virtual ~RandomPosition() = default;
    virtual int position(int n) = 0;
};
