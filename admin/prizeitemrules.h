#pragma once
#include "store/rows.h"

#include <QString>

// Prize items as the entry screen offers them, and the loop count. The rule
// for winners per press is the draw's (draw/presslimit.h).

// A new prize item as the entry screen offers it.
PrizeItem newPrizeItem(int existingItems);

// The loop count as typed: rounded to a whole number (halves to even),
// brought into 5 … 50; an empty or non-numeric text gives 5.
int loopCountFromText(const QString &text);
constexpr int kLoopCountMin = 5;
constexpr int kLoopCountMax = 50;
constexpr int kLoopCountStep = 5;
