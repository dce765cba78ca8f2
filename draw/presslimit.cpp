#include "draw/presslimit.h"

using namespace Qt::StringLiterals;

PerPressCheck checkPerPress(int perPress, int sumNumber)
{
    if (perPress >= 1 && perPress <= kMaxWinnersPerPress && perPress <= sumNumber)
        return {true, perPress};
    return {false, sumNumber > kMaxWinnersPerPress ? kMaxWinnersPerPress : sumNumber};
}

bool prizeItemServiceable(int sumNumber, int perPress)
{
    return sumNumber >= 1 && checkPerPress(perPress, sumNumber).accepted;
}

QString perPressMessage()
{
    return u"每次抽奖人数不能大于%1，也不能小于1,也不能大于此奖项的中奖总人数"_s.arg(kMaxWinnersPerPress);
}

QString perPressCaption() { return u" 系统提示"_s; }
