#include "draw/prizeround.h"

#include "base/pacer.h"
#include "draw/presslimit.h"
#include "store/bulkread.h"
#include "store/catalogue.h"
#include "store/database.h"
#include "store/drawlog.h"
#include "store/rowreaders.h"

#include <QElapsedTimer>

using namespace Qt::StringLiterals;

namespace {
// The roster walk lets the screen repaint about this often, not once per row.
constexpr qint64 kPumpIntervalMs = 40;

qint64 itemNumber(const QString &text) { return text.trimmed().toLongLong(); }

// An item stored with more winners per press than one press draws says how
// many the press will draw, so that nobody waits for the rest.
QString pressCapNote(int storedPerPress)
{
    return storedPerPress > kMaxWinnersPerPress ? u",每次抽取%1人"_s.arg(kMaxWinnersPerPress) : QString();
}
} // namespace

PrizeRound::PrizeRound(Database &db, Pacer &pacer) : m_db(db), m_pacer(pacer) {}

QString PrizeRound::readyLine(const PrizeItem &item)
{
    return u"现在抽取:"_s + item.ItemName + u", 奖品:"_s + item.Awards + u", 共:"_s + QString::number(item.SumNumber)
           + u"人"_s + pressCapNote(item.iNumber) + u",准备抽取第:"_s + QString::number(item.ExcNum + 1) + u"位."_s;
}

QString PrizeRound::drawingLine() const
{
    return u"现在抽取:"_s + m_currItemName + u", 奖品:"_s + m_currAwards + u", 共:"_s + QString::number(m_currSumNumber)
           + u"人"_s + pressCapNote(m_perPress) + u",正在抽取第"_s + QString::number(m_currExcNum + 1) + u"位."_s;
}

QString PrizeRound::currentLine() const { return data.itemRows.empty() ? noItemLine() : drawingLine(); }

QString PrizeRound::cachedReadyLine()
{
    const PrizeItem *row = data.itemRow(m_currItemNo);
    return row && row->ExcNum < row->SumNumber ? readyLine(*row) : noItemLine();
}

QString PrizeRound::noItemLine() { return u"未设置奖项或全部奖项已抽完!"_s; }

void PrizeRound::takeStateFrom(const PrizeItem &item)
{
    m_currItemNo = item.RecNo;
    m_perPress = item.iNumber;
    m_currItemName = item.ItemName;
    m_currAwards = item.Awards;
    m_currSumNumber = item.SumNumber;
    m_currExcNum = item.ExcNum;
}

void PrizeRound::reopenItemQuery()
{
    QSqlQuery q = m_itemQueryHoldsAll ? m_db.exec(Catalogue::AwardItemByRecNo)
                                      : m_db.exec(Catalogue::CurrentAwardItem, {m_currItemNo});
    data.itemRows = readPrizeItems(q);
}

void PrizeRound::reopenDesignations()
{
    QSqlQuery q = m_designationItem < 0 ? m_db.exec(Catalogue::AwardByRecNo)
                                        : m_db.exec(Catalogue::OpenDesignations, {m_designationItem});
    data.designations = readDesignations(q);
}

void PrizeRound::OpenDesignations(int item)
{
    m_designationItem = item;
    reopenDesignations();
}

QString PrizeRound::PrepareCurrentPrize()
{
    m_itemQueryHoldsAll = false;
    reopenItemQuery();
    if (data.itemRows.empty()) {
        m_currItemNo = FirstUnexecutedItem();
        reopenItemQuery();
    }
    if (data.itemRows.empty())
        return noItemLine();
    takeStateFrom(data.itemRows.front());
    return readyLine(data.itemRows.front());
}

int PrizeRound::FirstUnexecutedItem()
{
    const QVariant v = m_db.scalar(Catalogue::FirstUnexecutedItem);
    return v.isValid() ? v.toInt() : 0;
}

bool PrizeRound::ReloadDrawData()
{
    {
        QSqlQuery q = m_db.exec(Catalogue::AwardListByRecNo);
        data.winners = readWinners(q);
        data.winnerSet.clear();
        data.winnerSet.reserve(static_cast<qsizetype>(data.winners.size()));
        for (const Winner &w : data.winners)
            data.winnerSet.insert(w.sNo, w.sCompCode);
    }
    {
        QSqlQuery q = m_db.exec(Catalogue::AwardBlankByRecNo);
        data.exclusions = readExclusions(q);
        data.excludedSet.clear();
        for (const Exclusion &e : data.exclusions)
            data.excludedSet.insert(e.sNo, e.sCompCode);
    }
    reopenDesignations();
    reopenItemQuery();
    {
        data.roster = loadEmployees(m_db, Catalogue::EmpNoByRecNo);
        data.rosterRowByRecNo.clear();
        data.rosterRowByRecNo.reserve(static_cast<qsizetype>(data.roster.size()));
        for (size_t i = 0; i < data.roster.size(); ++i)
            data.rosterRowByRecNo.insert(data.roster[i].RecNo, static_cast<int>(i));
    }
    if (data.roster.empty())
        return false;

    if (data.itemRows.empty())
        takeStateFrom(PrizeItem{});
    else
        takeStateFrom(data.itemRows.front());

    m_rosterIndex.clear();
    m_rosterIndex.reserve(data.roster.size());
    QElapsedTimer sincePump;
    sincePump.start();
    for (const Employee &e : data.roster) {
        m_rosterIndex.push_back(e.RecNo);
        if ((m_rosterIndex.size() & 1023) == 0 && sincePump.elapsed() >= kPumpIntervalMs) {
            m_pacer.pump();
            sincePump.restart();
        }
    }
    m_pacer.pump();
    return true;
}

int PrizeRound::CountWinners(const QString &item)
{
    return m_db.scalar(Catalogue::CountWinners, {itemNumber(item)}).toInt();
}

bool PrizeRound::SetDrawnCount(const QString &item, const QString &count)
{
    return m_db.execAffected(Catalogue::SetDrawnCount, {count.trimmed().toLongLong(), itemNumber(item)}) > 0;
}

bool PrizeRound::DeleteWinner(const QString &code, const QString &factory, const QString &item)
{
    return removeWinner(code, factory, item, false);
}

bool PrizeRound::WinnerAbsent(const QString &code, const QString &factory, const QString &item)
{
    return removeWinner(code, factory, item, true);
}

bool PrizeRound::removeWinner(const QString &code, const QString &factory, const QString &item, bool absent)
{
    // The record, the exclusion, the deletion and the recount are one unit:
    // ExcNum never disagrees with the rows left in AwardList, nor the record
    // with the winners, whatever happens between them.
    Transaction tx(m_db);
    recordRemovedWinners(m_db, absent ? DrawEvent::Absent : DrawEvent::Deleted, code, factory);
    if (absent)
        m_db.exec(Catalogue::Post::ExcludeWinner, {code, factory});
    const bool deleted = m_db.execAffected(Catalogue::DeleteWinner, {code, factory}) > 0;
    if (deleted)
        SetDrawnCount(item, QString::number(CountWinners(item)));
    tx.commit();
    return deleted;
}
