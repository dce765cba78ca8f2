#pragma once

// The rolling draw and the choice of winners (being built).
class DrawEngine {
public:
    virtual ~DrawEngine() = default;
};
