#include "draw/prizeround.h"

#include "store/proofstore.h"
#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "base/pacer.h"
#include "draw/presslimit.h"
#include "store/bulkread.h"
#include "store/catalogue.h"
#include "store/database.h"
#include "store/drawlog.h"
#include "store/rowreaders.h"
#include "store/scopestore.h"
#include "store/snapshots.h"

#include <QElapsedTimer>

using namespace Qt::StringLiterals;

namespace {
// The roster walk lets the screen repaint about this often, not once per row.
constexpr qint64 kPumpIntervalMs = 40;
// The description line names a scoped item's scope in a few characters.
constexpr int kScopeLineChars = 8;

qint64 itemNumber(const QString &text) { return text.trimmed().toLongLong(); }

// An item stored with more winners per press than one press draws says how
// many the press will draw, so that nobody waits for the rest.
QString pressCapNote(int storedPerPress)
{
    return storedPerPress > kMaxWinnersPerPress ? u",每次抽取%1人"_s.arg(kMaxWinnersPerPress) : QString();
}
} // namespace

PrizeRound::PrizeRound(Database &db, Pacer &pacer) : m_db(db), m_pacer(pacer) {}

QString PrizeRound::readyLine(const PrizeItem &item, const QString &scope)
{
    return u"现在抽取:"_s + item.ItemName + scopeMark(scope) + u", 奖品:"_s + item.Awards + u", 共:"_s
           + QString::number(item.SumNumber) + u"人"_s + pressCapNote(item.iNumber) + u",准备抽取第:"_s
           + QString::number(item.ExcNum + 1) + u"位."_s;
}

QString PrizeRound::drawingLine() const
{
    return u"现在抽取:"_s + m_currItemName + scopeMark(scopeText(m_currItemNo)) + u", 奖品:"_s + m_currAwards
           + u", 共:"_s + QString::number(m_currSumNumber) + u"人"_s + pressCapNote(m_perPress) + u",正在抽取第"_s
           + QString::number(m_currExcNum + 1) + u"位."_s;
}

QString PrizeRound::currentLine() { return cachedReadyLine(); }

QString PrizeRound::cachedReadyLine()
{
    const PrizeItem *row = data.itemRow(m_currItemNo);
    return row && row->ExcNum < row->SumNumber ? readyLine(*row, scopeText(row->RecNo)) : noItemLine();
}

QString PrizeRound::scopeMark(const QString &scope) { return scope.isEmpty() ? QString() : u"【"_s + scope + u"】"_s; }

QString PrizeRound::scopeText(int item) const
{
    const std::vector<ScopeRow> rows = data.scopeOf(item);
    return rows.empty() ? QString() : ScopeStore::summary(rows, kScopeLineChars);
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
    // An item may have been added with its scope since the reload (F8).
    RefreshLists();
    m_itemQueryHoldsAll = false;
    reopenItemQuery();
    // An unexecuted item may be full when its total was lowered below its
    // winners: it is marked finished and the next one is tried, so that a
    // full item never hides the open ones. Each pass marks one, so this ends.
    while (data.itemRows.empty()) {
        m_currItemNo = FirstUnexecutedItem();
        if (m_currItemNo == 0)
            break;
        reopenItemQuery();
        if (!data.itemRows.empty())
            break;
        if (m_db.isReadOnly()) {
            QSqlQuery q = m_db.exec(Catalogue::OpenAwardItems);
            const std::vector<PrizeItem> open = readPrizeItems(q);
            m_currItemNo = open.empty() ? 0 : open.front().RecNo;
            reopenItemQuery();
            break;
        }
        m_db.exec(Catalogue::Post::SetItemExecuted, {m_currItemNo});
    }
    if (data.itemRows.empty())
        return noItemLine();
    takeStateFrom(data.itemRows.front());
    if (m_currItemNo != m_storedItem) {
        storeCurrentItem(m_db, m_currItemNo);
        m_storedItem = m_currItemNo;
    }
    return readyLine(data.itemRows.front(), scopeText(m_currItemNo));
}

void PrizeRound::takeStoredItem()
{
    m_storedItem = storedCurrentItem(m_db);
    // Nothing kept yet (a new file, or one of an older build): the first item
    // by RecNo, as the queries read at start hold them.
    m_currItemNo = m_storedItem != 0 || data.itemRows.empty() ? m_storedItem : data.itemRows.front().RecNo;
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
            data.winnerSet.insert(w.sNo, w.sCompCode, w.sName);
    }
    reopenDesignations();
    reopenItemQuery();

    // Read into a table of its own: a failure half-way leaves the last one.
    RosterTable roster;
    roster.reserve(m_db.scalar(Catalogue::CountEmployees).toLongLong());
    QElapsedTimer sincePump;
    sincePump.start();
    readRoster(m_db, [&](const RosterRowView &row) {
        roster.append(row.recNo, row.code, row.name, row.factory, row.department);
        if ((roster.size() & 1023) == 0 && sincePump.elapsed() >= kPumpIntervalMs) {
            m_pacer.pump();
            sincePump.restart();
        }
        return true;
    });
    roster.finish();
    data.roster = std::move(roster);
    m_rosterRows.clear();
    m_rosterSha.clear();
    // Everybody free; RefreshLists then reads the lists and the scopes once.
    data.scopes.clear();
    data.eligibility.rebuild(data.roster, data.scopes);
    data.eligibility.setPeople(Eligibility::Block::Won, data.winnerSet);
    RefreshLists();
    m_pacer.pump();
    if (data.roster.empty())
        return false;

    if (data.itemRows.empty())
        takeStateFrom(PrizeItem{});
    else
        takeStateFrom(data.itemRows.front());
    return true;
}

void PrizeRound::RefreshLists()
{
    // A prize item added with its scope, or a scope changed, since the reload.
    if (std::vector<ScopeRow> scopes = ScopeStore::allScopes(m_db); scopes != data.scopes) {
        data.scopes = std::move(scopes);
        data.eligibility.setScopes(data.scopes);
    }
    std::vector<Exclusion> exclusions;
    {
        QSqlQuery q = m_db.exec(Catalogue::AwardBlankByRecNo);
        exclusions = readExclusions(q);
    }
    std::vector<Designation> designations;
    {
        QSqlQuery q = m_db.exec(Catalogue::AllAwards);
        designations = readDesignations(q);
    }
    if (exclusions != m_exclusionRows || designations != m_designationRows) {
        m_exclusionRows = std::move(exclusions);
        m_designationRows = std::move(designations);
        ++m_listsVersion;
    }
    PersonSet excluded;
    for (const Exclusion &e : m_exclusionRows)
        excluded.insert(e.sNo, e.sCompCode, e.sName);
    PersonSet designated;
    for (const Designation &d : m_designationRows)
        designated.insert(d.sNo, d.sCompCode, d.sName);
    data.eligibility.setPeople(Eligibility::Block::Excluded, excluded);
    data.eligibility.setPeople(Eligibility::Block::Designated, designated);
}

std::vector<PrizeItem> PrizeRound::openItems()
{
    QSqlQuery q = m_db.exec(Catalogue::OpenAwardItems);
    return readPrizeItems(q);
}

int PrizeRound::CountWinners(const QString &item)
{
    return m_db.scalar(Catalogue::CountWinners, {itemNumber(item)}).toInt();
}

bool PrizeRound::SetDrawnCount(const QString &item, const QString &count)
{
    return m_db.execAffected(Catalogue::SetDrawnCount, {count.trimmed().toLongLong(), itemNumber(item)}) > 0;
}

bool PrizeRound::DeleteWinner(const QString &code, const QString &factory, const QString &name, const QString &item)
{
    return removeWinner(code, factory, name, item, false);
}

bool PrizeRound::WinnerAbsent(const QString &code, const QString &factory, const QString &name, const QString &item)
{
    return removeWinner(code, factory, name, item, true);
}

bool PrizeRound::removeWinner(const QString &code, const QString &factory, const QString &name, const QString &item,
                              bool absent)
{
    // The record, the exclusion, the deletion and the recount are one unit:
    // ExcNum never disagrees with the rows left in AwardList, nor the record
    // with the winners, whatever happens between them.
    Snapshots::take(m_db, absent ? Snapshots::absentWinner() : Snapshots::deleteWinner());
    Transaction tx(m_db);
    recordRemovedWinners(m_db, absent ? DrawEvent::Absent : DrawEvent::Deleted, code, factory, name);
    if (absent)
        m_db.exec(Catalogue::Post::ExcludeWinner, {code, factory, name});
    const bool deleted = m_db.execAffected(Catalogue::DeleteWinner, {code, factory, name}) > 0;
    if (deleted) {
        SetDrawnCount(item, QString::number(CountWinners(item)));
        m_db.exec(Catalogue::Post::ReopenItem, {itemNumber(item)});
    }
    tx.commit();
    return deleted;
}

const QByteArray &PrizeRound::rosterRows()
{
    if (m_rosterSha.isEmpty()) {
        const RosterTable &roster = data.roster;
        m_rosterRows.clear();
        for (int row : data.eligibility.canonicalRows()) {
            ProofStore::appendText(m_rosterRows, roster.code(row));
            ProofStore::appendText(m_rosterRows, roster.factory(row));
            ProofStore::appendText(m_rosterRows, roster.department(row));
            ProofStore::appendText(m_rosterRows, roster.name(row));
        }
        m_rosterSha = QCryptographicHash::hash(m_rosterRows, QCryptographicHash::Sha256).toHex();
    }
    return m_rosterRows;
}

const QByteArray &PrizeRound::rosterSha256()
{
    rosterRows();
    return m_rosterSha;
}

QString PrizeRound::listsJson(bool withWinners)
{
    // The lists as RefreshLists() read them last; written again only when
    // they changed (a press after press writes nothing new).
    if (m_listsJsonVersion != m_listsVersion) {
        QJsonArray excluded;
        for (const Exclusion &e : m_exclusionRows)
            excluded.append(QJsonArray{e.sNo, e.sCompCode, e.sName});
        QJsonArray designated;
        for (const Designation &d : m_designationRows)
            designated.append(QJsonArray{d.sNo, d.sCompCode, d.sName, d.sTime});
        m_listsJson = QJsonObject{{u"excluded"_s, excluded}, {u"designated"_s, designated}};
        m_listsJsonText = QString::fromUtf8(QJsonDocument(m_listsJson).toJson(QJsonDocument::Compact));
        m_listsJsonVersion = m_listsVersion;
    }
    if (!withWinners)
        return m_listsJsonText;
    QJsonArray winners;
    for (const Winner &w : data.winners)
        winners.append(QJsonArray{w.sNo, w.sCompCode, w.sName, w.sTime});
    QJsonObject lists = m_listsJson;
    lists.insert(u"winners"_s, winners);
    return QString::fromUtf8(QJsonDocument(lists).toJson(QJsonDocument::Compact));
}
