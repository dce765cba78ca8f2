#include "admin/prizeitemrules.h"

#include <algorithm>
#include <cfenv>
#include <cmath>

using namespace Qt::StringLiterals;

PrizeItem newPrizeItem(int existingItems)
{
    PrizeItem item;
    item.iSeq = existingItems + 1;
    item.ItemName = u"特别奖"_s;
    item.Awards = u"现金1000元"_s;
    item.SumNumber = 1;
    item.iNumber = 1;
    item.ExcNum = 0;
    item.IsExec = false;
    return item;
}

int loopCountFromText(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return kLoopCountMin;
    // nearbyint follows the default rounding mode, which rounds halves to even.
    const double whole = std::nearbyint(value);
    return static_cast<int>(std::clamp(whole, double(kLoopCountMin), double(kLoopCountMax)));
}
