#include "draw/drawengine.h"

#include "base/pacer.h"
#include "base/settings.h"
#include "draw/drawview.h"
#include "draw/prizeround.h"
#include "base/randomposition.h"
#include "store/catalogue.h"
#include "store/database.h"
#include "store/drawlog.h"
#include "store/proofstore.h"
#include "store/rowreaders.h"
#include "store/scopestore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <climits>

using namespace Qt::StringLiterals;

namespace {
constexpr int kRollPauseMs = 50;
constexpr int kShufflePauseMs = 10;
// What a winner's record keeps of the item's scope (its field's size).
constexpr int kScopeRecordChars = 200;

QString candidateLine(const QString &factory, const QString &name) { return factory + u' ' + name; }

// The item's scope for the proof: [[factory, department], …], empty for everybody.
QString scopeJson(const std::vector<ScopeRow> &rows)
{
    QJsonArray scope;
    for (const ScopeRow &row : rows)
        scope.append(QJsonArray{row.CompCode, row.DartNo});
    return QString::fromUtf8(QJsonDocument(scope).toJson(QJsonDocument::Compact));
}
} // namespace

QString DrawEngine::noItemText() { return u"未设置奖项，请先设置奖项！"_s; }
QString DrawEngine::emptyRosterText() { return u"员工资料为空，请先导入员工资料!"_s; }
QString DrawEngine::nobodyEligibleText()
{
    return u"没有可以抽取的员工（都已中奖、被排除或被指定），请检查员工资料！"_s;
}
QString DrawEngine::allDrawnText() { return u"可以抽取的员工已经全部抽完，本次抽奖结束！"_s; }
QString DrawEngine::scopeExhaustedText(const QString &itemName)
{
    return u"奖项“%1”的抽奖范围内已没有可以抽取的员工，请检查抽奖范围或改抽其他奖项！"_s.arg(itemName);
}

DrawEngine::DrawEngine(PrizeRound &round, Pacer &pacer, RandomPosition &random, const Settings &settings,
                       DrawView &view)
    : m_round(round), m_pacer(pacer), m_random(random), m_settings(settings), m_view(view),
      m_changeStamp(round.db(), Catalogue::ChangeStamp),
      m_recordDrawnCount(round.db(), Catalogue::Post::RecordDrawnCount),
      m_appendWinner(round.db(), Catalogue::Post::AppendWinner),
      m_markDesignationUsed(round.db(), Catalogue::Post::MarkDesignationUsed),
      m_appendPressWinner(round.db(), ProofStore::appendWinnerStatement())
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

DrawEngine::Candidate DrawEngine::candidateAt(int row) const
{
    const RosterTable &roster = m_round.roster();
    return Candidate{roster.code(row), roster.name(row), roster.factory(row)};
}

void DrawEngine::showRow(int row)
{
    const Candidate c = candidateAt(row);
    ShowCandidate(c.code, candidateLine(c.factory, c.name));
}

void DrawEngine::setState(PressState state)
{
    if (state == m_state)
        return;
    m_state = state;
    m_view.pressStateChanged(state);
}

bool DrawEngine::requestClose()
{
    switch (m_state) {
    case PressState::Rolling:
        // The roll ends and its winners are drawn, as after Enter.
        setState(PressState::Drawing);
        return true;
    case PressState::Drawing:
        setState(PressState::Ending);
        return true;
    case PressState::Idle:
    case PressState::Ending:
        break;
    }
    return false;
}

bool DrawEngine::IsDesignated(const QString &code, const QString &factory, const QString &name)
{
    syncLists();
    return m_round.data.eligibility.has(Eligibility::Block::Designated, code, factory, name);
}

void DrawEngine::OpenDesignations(int item) { m_round.OpenDesignations(item); }

bool DrawEngine::RecordWinner(const QString &code, const QString &name, const QString &factory, const QString &itemText)
{
    DrawData &data = m_round.data;
    if (data.winnerSet.contains(code, factory, name))
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
    if (const std::vector<ScopeRow> scope = data.scopeOf(item); !scope.empty())
        record.sScope = ScopeStore::summary(scope, kScopeRecordChars);

    // The count, the winner's row, the designation and the record are one
    // unit: a crash between them must never leave a counted winner without a
    // row, nor a record of a winner who is not stored.
    Database &db = m_round.db();
    int winnerRecNo = 0;
    // The winner's own writes leave the lists as they are.
    const bool listsCurrent = m_listsStamp == changeStamp();
    {
        Transaction tx(db);
        if (row)
            m_recordDrawnCount.run({excNum, (complete || row->IsExec) ? 1 : 0, row->RecNo});
        winnerRecNo = m_appendWinner.run({code, name, item, factory}).lastInsertId().toInt();
        if (used)
            m_markDesignationUsed.run({used->RecNo});
        appendDrawRecord(db, record);
        if (m_press.number > 0) {
            if (!m_pressStored) {
                m_press.roster = ProofStore::rosterNumber(db, m_round.rosterSha256(), m_round.rosterRows());
                ProofStore::appendPress(db, m_press);
            }
            m_appendPressWinner.run({m_press.number, m_winnerIndex, code, factory, name, record.sHow});
            m_appendPressWinner.finish();
        }
        m_recordDrawnCount.finish();
        m_appendWinner.finish();
        m_markDesignationUsed.finish();
        tx.commit();
    }
    if (listsCurrent)
        m_listsStamp = changeStamp();
    if (m_press.number > 0)
        m_pressStored = true;

    // The cached copies follow only what has been stored.
    if (row) {
        row->ExcNum = excNum;
        m_round.countDrawnWinner();
        if (complete) {
            if (m_state == PressState::Drawing)
                setState(PressState::Ending);
            row->IsExec = true;
        }
    }
    data.winners.push_back(Winner{winnerRecNo, code, name, item, factory});
    data.winnerSet.insert(code, factory, name);
    data.eligibility.addPerson(Eligibility::Block::Won, code, factory, name);
    if (used)
        used->Checked = true;
    return true;
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

void DrawEngine::syncLists()
{
    const std::pair<qint64, qint64> stamp = changeStamp();
    if (m_listsStamp != stamp) {
        m_round.RefreshLists();
        m_listsStamp = stamp;
    }
}

void DrawEngine::notifyNobodyLeft(int item, bool atStart)
{
    if (m_round.data.eligibility.scoped(item)) {
        const PrizeItem *row = m_round.data.itemRow(item);
        m_view.notify(scopeExhaustedText(row ? row->ItemName : m_round.currItemName()));
    } else {
        m_view.notify(atStart ? nobodyEligibleText() : allDrawnText());
    }
}

bool DrawEngine::startChecksPass()
{
    if (m_round.roster().empty()) {
        m_view.notify(emptyRosterText());
        return false;
    }
    syncLists();
    // Only a press that would draw somebody is refused: a press on a complete
    // item or one that draws nobody keeps its own outcome.
    const int item = m_round.currItemNo();
    const PrizeItem *row = m_round.data.itemRow(item);
    const bool wouldDraw = m_round.perPress() > 0 && (!row || row->ExcNum < row->SumNumber);
    if (wouldDraw && m_round.data.eligibility.left(item) == 0 && !designatedWinner(item)) {
        notifyNobodyLeft(item, true);
        return false;
    }
    return true;
}

void DrawEngine::beginPressRecord(int item, int places)
{
    Database &db = m_round.db();
    m_seed = ProofStore::liveSeed(db);
    m_pressStored = false;
    m_press = {};
    syncLists();
    const ProofStore::PressStart start = ProofStore::pressStart(db);
    m_press.number = start.number;
    m_press.seed = m_seed.number;
    m_press.when = drawRecordTime();
    m_press.item = item;
    if (const PrizeItem *row = m_round.data.itemRow(item)) {
        m_press.itemName = row->ItemName;
        m_press.prize = row->Awards;
    }
    m_press.scope = scopeJson(m_round.data.scopeOf(item));
    m_press.places = places;
    // iTime shuffle steps and the winner's, at most the largest int (a
    // shuffle that long only ends by the close command anyway).
    m_press.candidates = static_cast<int>(std::min<qint64>(qint64(std::max(m_settings.iTime, 0)) + 1, INT_MAX));
    // The winners are listed only when one may have left since the last
    // press: else they are that press's start and winners, and the list of
    // tens of thousands is not written again for every press.
    m_press.logMark = start.logMark;
    m_press.state = m_round.listsJson(start.winnersMayHaveLeft);
}

void DrawEngine::endPressAfterFailure() { setState(PressState::Idle); }

void DrawEngine::showLastStoredWinner()
{
    if (m_lastStored)
        m_view.showCandidate(m_lastStored->code, candidateLine(m_lastStored->factory, m_lastStored->name));
    else
        m_view.clearCandidate();
}

void DrawEngine::ActStartExecute()
{
    switch (pressCommand(m_state, PressKey::Enter)) {
    case PressCommand::Stop:
        // The screens stay shut until the press has ended, so that none of
        // them changes the tables under it; close keeps its stop role.
        setState(PressState::Drawing);
        return;
    case PressCommand::Start:
        break;
    default:
        // Winners are being drawn: the press finishes by itself.
        return;
    }

    m_view.clearBoard();
    try {
        if (m_round.data.itemRows.empty()) {
            m_view.notify(noItemText());
            return;
        }
        if (!startChecksPass())
            return;
        setState(PressState::Rolling);
        m_pacer.pump();
        m_view.playEffect(u"begin.wav"_s);
        roll();
        DrawWinners(m_round.currItemNo());
    } catch (...) {
        endPressAfterFailure();
        throw;
    }
    setState(PressState::Idle);
}

int DrawEngine::rollRow(int item)
{
    const Eligibility &eligibility = m_round.data.eligibility;
    // A scope that holds nobody (its designated winner still wins): the
    // digits roll over everybody.
    if (eligibility.poolSize(item) == 0)
        return m_random.position(m_round.roster().size());
    const int position = m_random.position(eligibility.poolSize(item));
    const int row = eligibility.poolRow(item, position);
    if (!m_settings.rollEligibleOnly || eligibility.eligible(row, item))
        return row;
    const int eligible = walkToEligible(item, position);
    return eligible >= 0 ? eligible : row;
}

void DrawEngine::roll()
{
    const int item = m_round.currItemNo();
    while (m_state == PressState::Rolling) {
        const int row = rollRow(item);
        m_pacer.pump();
        m_pacer.pump();
        showRow(row);
        m_pacer.pause(kRollPauseMs);
    }
}

std::optional<DrawEngine::Candidate> DrawEngine::pickEligible(int item, quint64 step)
{
    syncLists();
    const Eligibility &eligibility = m_round.data.eligibility;
    const int left = eligibility.left(item);
    if (left == 0)
        return std::nullopt;
    const quint64 position =
        m_random.pick(m_seed.seed, static_cast<quint64>(m_press.number), step, static_cast<quint64>(left));
    const int row = eligibility.eligibleRow(item, static_cast<qint64>(std::min<quint64>(position, left - 1)));
    showRow(row);
    m_pacer.pause(kShufflePauseMs);
    return candidateAt(row);
}

int DrawEngine::walkToEligible(int item, int start)
{
    const Eligibility &eligibility = m_round.data.eligibility;
    const int count = eligibility.poolSize(item);
    for (int i = 0; i < count; ++i) {
        const int row = eligibility.poolRow(item, (start + i) % count);
        if (eligibility.eligible(row, item))
            return row;
    }
    return -1;
}

std::optional<DrawEngine::Candidate> DrawEngine::shuffle(int item)
{
    // A place takes `candidates` steps of the generator: the shuffle shows the
    // first ones, the last is the winner. A close request cuts the shuffle
    // short but still ends on the last step, so that the winner is the one the
    // seed gives, whatever iTime says.
    const quint64 candidates = static_cast<quint64>(m_press.candidates);
    const quint64 first = static_cast<quint64>(m_winnerIndex - 1) * candidates;
    for (m_rollStep = 0; static_cast<quint64>(m_rollStep) + 1 < candidates && m_state != PressState::Ending;
         ++m_rollStep) {
        if (!pickEligible(item, first + static_cast<quint64>(m_rollStep)))
            return std::nullopt;
    }
    m_rollStep = static_cast<int>(candidates - 1);
    return pickEligible(item, first + candidates - 1);
}

std::optional<DrawEngine::Candidate> DrawEngine::designatedWinner(int item)
{
    OpenDesignations(item);
    // Every pending designation of the item in turn: one whose person is
    // excluded or has won must not block the ones behind it. A row without a
    // code names nobody and never wins.
    syncLists();
    const DrawData &data = m_round.data;
    for (const Designation &d : data.designations) {
        if (!d.Checked && !d.sNo.trimmed().isEmpty() && !data.winnerSet.contains(d.sNo, d.sCompCode, d.sName)
            && !data.eligibility.has(Eligibility::Block::Excluded, d.sNo, d.sCompCode, d.sName))
            return Candidate{d.sNo, d.sName, d.sCompCode};
    }
    return std::nullopt;
}

void DrawEngine::DrawWinners(int item)
{
    m_lastStored.reset();
    try {
        setState(PressState::Drawing);
        m_winnerIndex = 1;
        const int pressSize = winnersOfOnePress(m_round.perPress());
        beginPressRecord(item, pressSize);
        while (m_winnerIndex <= pressSize) {
            m_view.playEffect(u"begin.wav"_s);
            if (m_state == PressState::Ending)
                break;
            if (PrizeItem *row = m_round.data.itemRow(m_round.currItemNo()); row && row->ExcNum >= row->SumNumber) {
                m_round.db().exec(Catalogue::Post::SetItemExecuted, {row->RecNo});
                row->IsExec = true;
                break;
            }
            m_pacer.pump();
            m_view.setDescription(m_round.drawingLine());

            std::optional<Candidate> winner = shuffle(item);
            if (std::optional<Candidate> designated = designatedWinner(item))
                winner = designated;
            if (!winner) {
                notifyNobodyLeft(item, false);
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
        m_press = {};
        endPressAfterFailure();
        throw;
    }
    m_lastStored.reset();
    m_press = {};
    // Called on its own (tests, tools) as well as from the start press.
    setState(PressState::Idle);
}
