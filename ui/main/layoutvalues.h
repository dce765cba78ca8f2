#pragma once

// Positions computed once from the window's client width W and the fixed
// panel heights (draw panel 400, digits panel 180).
struct LayoutValues {
    int DigitTop = 0;
    int DigitLeft = 0;
    int DigitGap = 0;
    int BoardTop = 0;
    int BoardLeft = 0;
    int BoardColGap = 0;
    int BoardRowHeight = 0;
    int DescsTop = 0;

    static LayoutValues compute(int clientWidth, int panel2Height, int panel3Height, int digitHeight);
};
