#pragma once
#include <QString>

// How many winners one press may draw, and how long each new winner stands
// alone on the stage. The entry screens, the settings grid, the draw and the
// board all take the limit from here.

inline constexpr int kMaxWinnersPerPress = 100;

// Up to this many winners a press, each winner is shown for a full second
// before the next shuffle starts.
inline constexpr int kUnhurriedPressSize = 20;
inline constexpr int kUnhurriedWinnerPauseMs = 1000;
// A larger press shares this much pause among its winners, so that a press of
// a hundred with the usual loop count ends within half a minute while each
// winner's landing can still be seen.
inline constexpr int kLargePressPauseBudgetMs = 10000;

// The pause after each winner of a press that draws this many winners.
constexpr int winnerPauseMs(int pressSize)
{
    if (pressSize <= kUnhurriedPressSize)
        return kUnhurriedWinnerPauseMs;
    return kLargePressPauseBudgetMs / pressSize;
}

// The winners one press draws for an item whose per-press count is stored.
constexpr int winnersOfOnePress(int storedPerPress)
{
    return storedPerPress < kMaxWinnersPerPress ? storedPerPress : kMaxWinnersPerPress;
}

// Winners per press as entered: at least 1, at most the limit and at most the
// item's total.
struct PerPressCheck {
    bool accepted = true;
    int replacement = 0; // what the settings grid stores instead when not accepted
};
PerPressCheck checkPerPress(int perPress, int sumNumber);

// True when an item with this total and per-press count can be drawn.
bool prizeItemServiceable(int sumNumber, int perPress);

// The message shown when the per-press count breaks the rule.
QString perPressMessage();
QString perPressCaption();
