#pragma once

// Event pumping and pauses of the long loops (draw, reload, import). The
// program's pacer really pumps and sleeps; tests use one that returns at once.
class Pacer {
public:
    virtual ~Pacer() = default;
    // Lets pending window messages be handled.
    virtual void pump() = 0;
    // Blocks for the given milliseconds; input waits until the next pump.
    virtual void pause(int ms) = 0;
};

class RealPacer : public Pacer {
public:
    void pump() override;
    void pause(int ms) override;
};
