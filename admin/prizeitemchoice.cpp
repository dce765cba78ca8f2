#include "admin/prizeitemchoice.h"

#include "store/blankliststore.h"

void PrizeItemChoice::open(Database &db)
{
    m_items = BlankListStore::loadItemsBySeq(db);
    m_current = m_items.empty() ? 0 : m_items.front().RecNo;
}

int PrizeItemChoice::indexOf(int recNo) const
{
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i].RecNo == recNo)
            return static_cast<int>(i);
    }
    return -1;
}

QString PrizeItemChoice::nameOf(int recNo) const
{
    const int i = indexOf(recNo);
    return i < 0 ? QString() : m_items[static_cast<size_t>(i)].ItemName;
}

bool PrizeItemChoice::follow(int recNo)
{
    if (indexOf(recNo) < 0)
        return false;
    m_current = recNo;
    return true;
}
