#include "ui/main/layoutvalues.h"

LayoutValues LayoutValues::compute(int W, int panel2Height, int panel3Height, int digitHeight)
{
    // Integer division truncates toward zero, as the layout formulas require.
    LayoutValues v;
    v.DigitTop = (panel3Height - digitHeight) / 2;
    v.DigitLeft = W / 6 - 20;
    v.DigitGap = W / 12;
    v.BoardTop = 10;
    v.BoardLeft = W / 6 + 10;
    v.BoardColGap = W / 8;
    v.BoardRowHeight = panel2Height / 7;
    v.DescsTop = panel2Height / 6 * 5 - 10;
    return v;
}
