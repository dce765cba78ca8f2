#pragma once
#include <QtGlobal>

// Event pumping, pauses of the long loops (draw, reload, import) and the
// clock that waits are measured on. The program's pacer really pumps, sleeps
// and reads the monotonic clock; tests use one that returns at once and whose
// clock they move.
class Pacer {
public:
    virtual ~Pacer() = default;
    // Lets pending window messages be handled.
    virtual void pump() = 0;
    // Blocks for the given milliseconds; input waits until the next pump.
    virtual void pause(int ms) = 0;
    // Milliseconds on a clock that never goes back (not the wall clock, which
    // the operator or the network may set back).
    virtual qint64 nowMs();
};

class RealPacer : public Pacer {
public:
    void pump() override;
    void pause(int ms) override;
};
