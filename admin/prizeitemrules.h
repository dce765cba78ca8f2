#pragma once
#include "store/rows.h"

#include <QString>

// Rules for prize items that the draw can serve, and for the loop count.

// Winners per press: at least 1, at most 20 and at most the item's total.
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

// A new prize item as the entry screen offers it.
PrizeItem newPrizeItem(int existingItems);

// The loop count as typed: rounded to a whole number (halves to even),
// brought into 5 … 50; an empty or non-numeric text gives 5.
int loopCountFromText(const QString &text);
constexpr int kLoopCountMin = 5;
constexpr int kLoopCountMax = 50;
constexpr int kLoopCountStep = 5;
constexpr int kMaxPerPress = 20;
