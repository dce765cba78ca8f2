#include "draw/drawengine.h"

#include "base/pacer.h"
#include "base/settings.h"
#include "draw/drawview.h"
#include "draw/prizeround.h"
#include "base/randomposition.h"
#include "store/catalogue.h"
#include "store/database.h"
#include "store/drawlog.h"
#include "store/rowreaders.h"

#include <QSet>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
constexpr int kRollPauseMs = 50;
constexpr int kShufflePauseMs = 10;

// Random picks that keep missing give up after this many tries and walk the
// roster instead, so that a nearly exhausted roster (or a generator that
// never hits) still ends. With e eligible people among n, the chance that
// the walk is ever needed is about exp(-4e).
qint64 missLimit(int count) { return 64 + 4 * static_cast<qint64>(count); }

QString candidateLine(const QString &factory, const QString &name) { return factory + u' ' + name; }
} // namespace

QString DrawEngine::noItemText() { return u"未设置奖项，请先设置奖项！"_s; }
QString DrawEngine::emptyRosterText() { return u"员工资料为空，请先导入员工资料!"_s; }
QString DrawEngine::nobodyEligibleText()
{
    return u"没有可以抽取的员工（都已中奖、被排除或被指定），请检查员工资料！"_s;
}
QString DrawEngine::allDrawnText() { return u"可以抽取的员工已经全部抽完，本次抽奖结束！"_s; }

DrawEngine::DrawEngine(PrizeRound &round, Pacer &pacer, RandomPosition &random, const Settings &settings,
                       DrawView &view)
    : m_round(round), m_pacer(pacer), m_random(random), m_settings(settings), m_view(view),
      m_isDesignated(round.db(), Catalogue::IsDesignated), m_changeStamp(round.db(), Catalogue::ChangeStamp),
      m_recordDrawnCount(round.db(), Catalogue::Post::RecordDrawnCount),
      m_appendWinner(round.db(), Catalogue::Post::AppendWinner),
      m_markDesignationUsed(round.db(), Catalogue::Post::MarkDesignationUsed)
{}

QString DrawEngine::PadCode(const QString &text, int width, bool rightSide)
{
    if (text.size() >= width)
        return text.left(width);
    const QString zeros(width - text.size(), u'0');
    return rightSide ? QString(text + zeros) : QString(zeros + text);
}

void DrawEngine::ShowCandidate(const QString &code, const QString &line)
{
    m_pacer.pump();
    m_view.showCandidate(code, line);
}

const Employee *DrawEngine::LocateRosterEntry(int position) const
{
    const DrawData &data = m_round.data;
    if (position < 0 || static_cast<size_t>(position) >= data.roster.size()
        || static_cast<size_t>(position) >= m_round.rosterIndex().size())
        return nullptr;
    return data.rosterEntry(m_round.rosterIndex()[static_cast<size_t>(position)]);
}

bool DrawEngine::IsExcludedOrWon(const QString &code, const QString &factory)
{
    if (m_round.data.winnerSet.contains(code, factory))
        return true;
    return freshExclusions().contains(code, factory);
}

bool DrawEngine::requestClose()
{
    if (!m_rolling)
        return false;
    m_stopRequested = true;
    m_rolling = false;
    return true;
}

bool DrawEngine::IsDesignated(const QString &code, const QString &factory)
{
    const bool found = m_isDesignated.run({code, factory}).next();
    m_isDesignated.finish();
    return found;
}

void DrawEngine::OpenDesignations(int item) { m_round.OpenDesignations(item); }

bool DrawEngine::isEligible(const Employee &e)
{
    return !IsExcludedOrWon(e.EmpCode, e.CompCode) && !IsDesignated(e.EmpCode, e.CompCode);
}

bool DrawEngine::RecordWinner(const QString &code, const QString &name, const QString &factory, const QString &itemText)
{
    DrawData &data = m_round.data;
    if (data.winnerSet.contains(code, factory))
        return false;

    const int item = itemText.trimmed().toInt();
    PrizeItem *row = data.itemRow(m_round.currItemNo());
    const int excNum = row ? row->ExcNum + 1 : 0;
    const bool complete = row && excNum >= row->SumNumber;
    // Only the winner's own designation is used up: same code and same factory.
    Designation *used = nullptr;
    for (Designation &d : data.designations) {
        if (!d.Checked && d.sNo == code && d.sCompCode == factory) {
            used = &d;
            break;
        }
    }

    // Only a designated winner uses up a designation: a person designated
    // anywhere is never drawn at random.
    DrawRecord record;
    record.sWhen = drawRecordTime();
    record.sEvent = DrawEvent::Won;
    record.sTime = item;
    record.sItemName = row ? row->ItemName : QString();
    record.sAwards = row ? row->Awards : QString();
    record.sNo = code;
    record.sName = name;
    record.sCompCode = factory;
    record.sHow = used ? DrawHow::Designated : DrawHow::Random;

    // The count, the winner's row, the designation and the record are one
    // unit: a crash between them must never leave a counted winner without a
    // row, nor a record of a winner who is not stored.
    Database &db = m_round.db();
    int winnerRecNo = 0;
    // The winner's own writes leave the exclusions as they are.
    const bool exclusionsCurrent = m_excludedStamp == changeStamp();
    {
        Transaction tx(db);
        if (row)
            m_recordDrawnCount.run({excNum, (complete || row->IsExec) ? 1 : 0, row->RecNo});
        winnerRecNo = m_appendWinner.run({code, name, item, factory}).lastInsertId().toInt();
        if (used)
            m_markDesignationUsed.run({used->RecNo});
        appendDrawRecord(db, record);
        m_recordDrawnCount.finish();
        m_appendWinner.finish();
        m_markDesignationUsed.finish();
        tx.commit();
    }
    if (exclusionsCurrent)
        m_excludedStamp = changeStamp();

    // The cached copies follow only what has been stored.
    if (row) {
        row->ExcNum = excNum;
        m_round.countDrawnWinner();
        if (complete) {
            m_rolling = false;
            row->IsExec = true;
        }
    }
    data.winners.push_back(Winner{winnerRecNo, code, name, item, factory});
    data.winnerSet.insert(code, factory);
    if (used)
        used->Checked = true;
    return true;
}

PersonSet DrawEngine::allDesignated()
{
    PersonSet designated;
    QSqlQuery q = m_round.db().exec(Catalogue::AllAwards);
    for (const Designation &d : readDesignations(q))
        designated.insert(d.sNo, d.sCompCode);
    return designated;
}

PersonSet DrawEngine::allExcluded()
{
    PersonSet excluded;
    QSqlQuery q = m_round.db().exec(Catalogue::AwardBlankByRecNo);
    for (const Exclusion &e : readExclusions(q))
        excluded.insert(e.sNo, e.sCompCode);
    return excluded;
}

std::pair<qint64, qint64> DrawEngine::changeStamp()
{
    QSqlQuery &q = m_changeStamp.run({});
    std::pair<qint64, qint64> stamp{-1, -1};
    if (q.next())
        stamp = {q.value(0).toLongLong(), q.value(1).toLongLong()};
    m_changeStamp.finish();
    return stamp;
}

const PersonSet &DrawEngine::freshExclusions()
{
    const std::pair<qint64, qint64> stamp = changeStamp();
    if (m_excludedStamp != stamp) {
        m_excluded = allExcluded();
        m_excludedStamp = stamp;
    }
    return m_excluded;
}

DrawEngine::RosterCount DrawEngine::countRoster()
{
    const PersonSet designated = allDesignated();
    const PersonSet &excluded = freshExclusions();
    const DrawData &data = m_round.data;
    RosterCount count;
    // One key buffer for the whole walk, and people counted by views into the
    // roster rows: a walk over a large roster allocates next to nothing.
    QString key;
    QSet<std::pair<QStringView, QStringView>> eligible;
    const int positions = static_cast<int>(std::min(m_round.rosterIndex().size(), data.roster.size()));
    for (int p = 0; p < positions; ++p) {
        const Employee *e = LocateRosterEntry(p);
        if (!e)
            continue;
        ++count.locatable;
        key.resize(0);
        key.append(e->EmpCode).append(PersonSet::separator()).append(e->CompCode);
        if (!excluded.containsKey(key) && !data.winnerSet.containsKey(key) && !designated.containsKey(key))
            eligible.insert({QStringView(e->EmpCode), QStringView(e->CompCode)});
    }
    count.eligible = static_cast<int>(eligible.size());
    return count;
}

bool DrawEngine::startChecksPass()
{
    const RosterCount count = countRoster();
    if (count.locatable == 0) {
        m_view.notify(emptyRosterText());
        return false;
    }
    m_eligibleLeft = count.eligible;
    m_eligibleCounted = true;
    // Only a press that would draw somebody is refused: a press on a complete
    // item or one that draws nobody keeps its own outcome.
    const PrizeItem *row = m_round.data.itemRow(m_round.currItemNo());
    const bool wouldDraw = m_round.perPress() > 0 && (!row || row->ExcNum < row->SumNumber);
    if (wouldDraw && m_eligibleLeft == 0 && !designatedWinner(m_round.currItemNo())) {
        m_view.notify(nobodyEligibleText());
        return false;
    }
    return true;
}

void DrawEngine::endPressAfterFailure()
{
    m_rolling = false;
    m_stopRequested = false;
    m_busy = false;
    m_eligibleCounted = false;
    m_view.setAdminCommandsEnabled(true);
}

void DrawEngine::showLastStoredWinner()
{
    if (m_lastStored)
        m_view.showCandidate(m_lastStored->code, candidateLine(m_lastStored->factory, m_lastStored->name));
    else
        m_view.clearCandidate();
}

void DrawEngine::ActStartExecute()
{
    if (m_rolling) {
        m_stopRequested = true;
        // The screens stay shut until the press has ended, so that none of
        // them changes the tables under it; close keeps its stop role.
        m_view.setCloseCommandEnabled(true);
        return;
    }
    // A close command has ended the drawing, which finishes its current winner.
    if (m_busy)
        return;

    m_view.setAdminCommandsEnabled(false);
    m_view.clearBoard();
    try {
        if (m_round.data.itemRows.empty()) {
            m_view.notify(noItemText());
            m_view.setAdminCommandsEnabled(true);
            return;
        }
        if (!startChecksPass()) {
            m_view.setAdminCommandsEnabled(true);
            return;
        }
        m_busy = true;
        m_stopRequested = false;
        m_pacer.pump();
        m_rolling = true;
        m_view.playEffect(u"begin.wav"_s);
        roll();
        DrawWinners(m_round.currItemNo());
    } catch (...) {
        endPressAfterFailure();
        throw;
    }
    m_busy = false;
    m_view.setAdminCommandsEnabled(true);
}

const Employee *DrawEngine::pickRosterRow(int count)
{
    int position = m_random.position(count);
    const Employee *e = LocateRosterEntry(position);
    const qint64 limit = missLimit(count);
    for (qint64 misses = 1; !e; ++misses) {
        if (misses > limit) {
            for (int i = 0; i < count && !e; ++i)
                e = LocateRosterEntry((position + i) % count);
            return e;
        }
        position = m_random.position(count);
        e = LocateRosterEntry(position);
    }
    return e;
}

void DrawEngine::roll()
{
    const int count = static_cast<int>(m_round.rosterIndex().size());
    while (!m_stopRequested) {
        const int position = m_random.position(count);
        m_pacer.pump();
        const Employee *e = LocateRosterEntry(position);
        if (!e)
            e = pickRosterRow(count);
        m_pacer.pump();
        if (e)
            ShowCandidate(e->EmpCode, candidateLine(e->CompCode, e->EmpName));
        m_pacer.pause(kRollPauseMs);
    }
}

std::optional<DrawEngine::Candidate> DrawEngine::pickEligible()
{
    const int count = static_cast<int>(m_round.data.roster.size());
    const Employee *e = pickRosterRow(count);
    if (!e)
        return std::nullopt;
    ShowCandidate(e->EmpCode, candidateLine(e->CompCode, e->EmpName));
    m_pacer.pause(kShufflePauseMs);
    const qint64 limit = missLimit(count);
    for (qint64 misses = 1; !isEligible(*e); ++misses) {
        if (misses > limit) {
            e = walkToEligible(m_random.position(count));
            if (!e)
                return std::nullopt;
            ShowCandidate(e->EmpCode, candidateLine(e->CompCode, e->EmpName));
            break;
        }
        e = pickRosterRow(count);
        if (!e)
            return std::nullopt;
        ShowCandidate(e->EmpCode, candidateLine(e->CompCode, e->EmpName));
    }
    return Candidate{e->EmpCode, e->EmpName, e->CompCode};
}

const Employee *DrawEngine::walkToEligible(int start)
{
    const PersonSet designated = allDesignated();
    const PersonSet &excluded = freshExclusions();
    const DrawData &data = m_round.data;
    const int count = static_cast<int>(data.roster.size());
    for (int i = 0; i < count; ++i) {
        const Employee *e = LocateRosterEntry((start + i) % count);
        if (e && !data.winnerSet.contains(e->EmpCode, e->CompCode) && !excluded.contains(e->EmpCode, e->CompCode)
            && !designated.contains(e->EmpCode, e->CompCode))
            return e;
    }
    return nullptr;
}

std::optional<DrawEngine::Candidate> DrawEngine::shuffle()
{
    std::optional<Candidate> candidate;
    const int steps = std::max(m_settings.iTime, 0);
    // The step count never passes steps, so no iTime overflows it; a close
    // request ends the shuffle with the candidate it has, whatever iTime says.
    for (m_rollStep = 0;; ++m_rollStep) {
        candidate = pickEligible();
        if (!candidate) {
            m_eligibleLeft = 0;
            return std::nullopt;
        }
        if (m_rollStep >= steps || !m_rolling)
            return candidate;
    }
}

std::optional<DrawEngine::Candidate> DrawEngine::designatedWinner(int item)
{
    OpenDesignations(item);
    // Every pending designation of the item in turn: one whose person is
    // excluded or has won must not block the ones behind it. A row without a
    // code names nobody and never wins.
    for (const Designation &d : m_round.data.designations) {
        if (!d.Checked && !d.sNo.trimmed().isEmpty() && !IsExcludedOrWon(d.sNo, d.sCompCode))
            return Candidate{d.sNo, d.sName, d.sCompCode};
    }
    return std::nullopt;
}

void DrawEngine::DrawWinners(int item)
{
    m_lastStored.reset();
    try {
        // Without the count of a start press, the walk in pickEligible alone
        // finds out that nobody is left.
        if (!m_eligibleCounted)
            m_eligibleLeft = kEligibleUnknown;
        m_rolling = true;
        m_winnerIndex = 1;
        const int pressSize = winnersOfOnePress(m_round.perPress());
        while (m_winnerIndex <= pressSize) {
            m_view.playEffect(u"begin.wav"_s);
            if (!m_rolling)
                break;
            if (PrizeItem *row = m_round.data.itemRow(m_round.currItemNo()); row && row->ExcNum >= row->SumNumber) {
                m_round.db().exec(Catalogue::Post::SetItemExecuted, {row->RecNo});
                row->IsExec = true;
                break;
            }
            m_pacer.pump();
            m_view.setDescription(m_round.drawingLine());

            std::optional<Candidate> winner;
            if (m_eligibleLeft != 0)
                winner = shuffle();
            bool drawnAtRandom = winner.has_value();
            if (std::optional<Candidate> designated = designatedWinner(item)) {
                winner = designated;
                drawnAtRandom = false;
            }
            if (!winner) {
                m_view.notify(allDrawnText());
                break;
            }

            ShowCandidate(winner->code, candidateLine(winner->factory, winner->name));
            m_pacer.pump();
            m_view.addBoardLabel(winner->code, winner->name, winner->factory, m_winnerIndex);
            bool recorded = false;
            try {
                recorded = RecordWinner(winner->code, winner->name, winner->factory, QString::number(item));
            } catch (...) {
                // The board shows stored winners only.
                m_view.removeBoardLabel(m_winnerIndex);
                throw;
            }
            if (recorded) {
                m_lastStored = winner;
                if (drawnAtRandom && m_eligibleLeft > 0)
                    --m_eligibleLeft;
            } else {
                m_view.removeBoardLabel(m_winnerIndex);
                showLastStoredWinner();
            }
            m_view.stopEffect();
            m_pacer.pause(winnerPauseMs(pressSize));
            ++m_winnerIndex;
        }
        // Digits and winner line end on a stored winner, never on a candidate
        // of the shuffle or the roll.
        showLastStoredWinner();
        m_view.playEffect(u"end.wav"_s);
        m_view.setDescription(m_round.PrepareCurrentPrize());
    } catch (...) {
        // Nothing on screen may still present a person who was not stored; the
        // description line goes back to the item as stored, from the cache, as
        // the database may be what failed.
        showLastStoredWinner();
        m_view.setDescription(m_round.cachedReadyLine());
        m_lastStored.reset();
        endPressAfterFailure();
        throw;
    }
    m_lastStored.reset();
    m_rolling = false;
    m_stopRequested = false;
    m_eligibleCounted = false;
}
