#include "store/proofstore.h"

#include "base/seededpick.h"
#include "store/database.h"
#include "store/drawlog.h"

#include <QSqlQuery>
#include <QtEndian>
#include <array>

using namespace Qt::StringLiterals;

namespace ProofStore {
namespace {
const QLatin1String kLiveSeed{"select RecNo, sSeed, sCommit, sMade, sRevealed from DrawSeed "
                              "where sRevealed is null and bEnded = 0 order by RecNo desc limit 1"};
const QLatin1String kAllSeeds{"select RecNo, sSeed, sCommit, sMade, sRevealed from DrawSeed order by RecNo"};
const QLatin1String kAddSeed{"insert into DrawSeed(sSeed, sCommit, sMade, bEnded) values(?,?,?,0)"};
const QLatin1String kRevealSeeds{"update DrawSeed set sRevealed = ?, bEnded = 1 where sRevealed is null"};
const QLatin1String kEndLiveSeed{"update DrawSeed set bEnded = 1 where sRevealed is null"};
const QLatin1String kRosterBySha{"select RecNo from DrawRoster where sSha = ? order by RecNo limit 1"};
const QLatin1String kRosterRows{"select bRows from DrawRoster where RecNo = ?"};
const QLatin1String kAddRoster{"insert into DrawRoster(sSha, bRows) values(?,?)"};
const QLatin1String kAddPress{"insert into DrawPress(RecNo, iSeed, iRoster, sWhen, iItem, sItemName, sAwards, sScope, "
                              "iPlaces, iCandidates, sState, iLogMark) values(?,?,?,?,?,?,?,?,?,?,?,?)"};
// The next press's number, the draw record's last RecNo, and whether winners
// may have left since the last press: a record of a removal, a reset or a
// restore after the mark the last press kept.
const QLatin1String kPressStart{
    "select (select coalesce(max(RecNo), 0) + 1 from DrawPress), (select coalesce(max(RecNo), 0) from DrawLog), "
    "(select count(*) from DrawLog where RecNo > (select coalesce((select iLogMark from DrawPress order by RecNo desc "
    "limit 1), -1)) and sEvent in (?, ?, ?, ?))"};
const QLatin1String kAllPresses{"select RecNo, iSeed, iRoster, sWhen, iItem, sItemName, sAwards, sScope, iPlaces, "
                                "iCandidates, sState, iLogMark from DrawPress order by RecNo"};
const QLatin1String kAddWinner{
    "insert into DrawPressWinner(iPress, iPlace, sNo, sCompCode, sName, sHow) values(?,?,?,?,?,?)"};
const QLatin1String kAllWinners{
    "select iPress, iPlace, sNo, sCompCode, sName, sHow from DrawPressWinner order by iPress, iPlace, RecNo"};

std::vector<Seed> readSeeds(QSqlQuery &q)
{
    std::vector<Seed> seeds;
    while (q.next()) {
        seeds.push_back({q.value(0).toInt(), QByteArray::fromHex(q.value(1).toString().toLatin1()),
                         q.value(2).toString(), q.value(3).toString(),
                         q.value(4).isNull() ? QString() : q.value(4).toString()});
    }
    return seeds;
}
} // namespace

Seed liveSeed(Database &db)
{
    {
        QSqlQuery q = db.exec(kLiveSeed);
        if (std::vector<Seed> seeds = readSeeds(q); !seeds.empty())
            return seeds.front();
    }
    const QByteArray seed = SeededPick::newSeed();
    Seed made{0, seed, SeededPick::commitmentOf(seed), drawRecordTime(), {}};
    Transaction tx(db);
    made.number =
        db.exec(kAddSeed, {QString::fromLatin1(seed.toHex()), made.commitment, made.made}).lastInsertId().toInt();
    // The exported draw record carries the commitment too.
    DrawRecord record;
    record.sWhen = made.made;
    record.sEvent = DrawEvent::Committed;
    record.sScope = made.commitment;
    appendDrawRecord(db, record);
    tx.commit();
    return made;
}

QString liveCommitment(Database &db)
{
    QSqlQuery q = db.exec(kLiveSeed);
    return q.next() ? q.value(2).toString() : QString();
}

std::vector<Seed> allSeeds(Database &db)
{
    QSqlQuery q = db.exec(kAllSeeds);
    return readSeeds(q);
}

std::vector<Seed> reveal(Database &db)
{
    std::vector<Seed> revealed;
    Transaction tx(db);
    const QString now = drawRecordTime();
    for (Seed &s : allSeeds(db)) {
        if (s.revealed.isEmpty()) {
            s.revealed = now;
            revealed.push_back(s);
            DrawRecord record;
            record.sWhen = now;
            record.sEvent = DrawEvent::Revealed;
            record.sScope = QString::fromLatin1(s.seed.toHex());
            appendDrawRecord(db, record);
        }
    }
    db.exec(kRevealSeeds, {now});
    tx.commit();
    return revealed;
}

void endLiveSeed(Database &db) { db.exec(kEndLiveSeed); }

void appendText(QByteArray &to, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    char size[4];
    qToBigEndian(static_cast<quint32>(bytes.size()), size);
    to.append(size, 4).append(bytes);
}

QByteArray rosterBytes(const std::vector<std::array<QString, 4>> &rows)
{
    QByteArray bytes;
    for (const std::array<QString, 4> &row : rows) {
        for (const QString &text : row)
            appendText(bytes, text);
    }
    return bytes;
}

std::vector<std::array<QString, 4>> rosterRows(const QByteArray &rows)
{
    std::vector<std::array<QString, 4>> result;
    qsizetype at = 0;
    std::array<QString, 4> row;
    int field = 0;
    while (at + 4 <= rows.size()) {
        const auto size = static_cast<qsizetype>(qFromBigEndian<quint32>(rows.constData() + at));
        at += 4;
        if (size > rows.size() - at)
            break;
        row[static_cast<size_t>(field)] = QString::fromUtf8(rows.constData() + at, size);
        at += size;
        if (++field == 4) {
            result.push_back(row);
            field = 0;
        }
    }
    return result;
}

QByteArray storedRoster(Database &db, int number) { return db.scalar(kRosterRows, {number}).toByteArray(); }

int rosterNumber(Database &db, const QByteArray &sha256Hex, const QByteArray &rows)
{
    const QString sha = QString::fromLatin1(sha256Hex);
    if (const QVariant found = db.scalar(kRosterBySha, {sha}); found.isValid())
        return found.toInt();
    return db.exec(kAddRoster, {sha, rows}).lastInsertId().toInt();
}

PressStart pressStart(Database &db)
{
    QSqlQuery q = db.exec(kPressStart, {DrawEvent::Deleted, DrawEvent::Absent, DrawEvent::Reset, DrawEvent::Restored});
    PressStart start;
    if (q.next()) {
        start.number = q.value(0).toInt();
        start.logMark = q.value(1).toInt();
        start.winnersMayHaveLeft = start.number == 1 || q.value(2).toInt() > 0;
    }
    return start;
}

QLatin1String appendWinnerStatement() { return kAddWinner; }

void appendPress(Database &db, const Press &p)
{
    db.exec(kAddPress, {p.number, p.seed, p.roster, p.when, p.item, p.itemName.left(50), p.prize.left(50), p.scope,
                        p.places, p.candidates, p.state, p.logMark});
}

void appendWinner(Database &db, const PressWinner &w)
{
    db.exec(kAddWinner, {w.press, w.place, w.code, w.factory, w.name, w.how});
}

std::vector<Press> allPresses(Database &db)
{
    std::vector<Press> presses;
    QSqlQuery q = db.exec(kAllPresses);
    while (q.next()) {
        presses.push_back({q.value(0).toInt(), q.value(1).toInt(), q.value(2).toInt(), q.value(3).toString(),
                           q.value(4).toInt(), q.value(5).toString(), q.value(6).toString(), q.value(7).toString(),
                           q.value(8).toInt(), q.value(9).toInt(), q.value(10).toString(), q.value(11).toInt()});
    }
    return presses;
}

std::vector<PressWinner> allPressWinners(Database &db)
{
    std::vector<PressWinner> winners;
    QSqlQuery q = db.exec(kAllWinners);
    while (q.next()) {
        winners.push_back({q.value(0).toInt(), q.value(1).toInt(), q.value(2).toString(), q.value(3).toString(),
                           q.value(4).toString(), q.value(5).toString()});
    }
    return winners;
}

void keepProof(Database &copy, const QString &inUsePath)
{
    copy.exec(u"ATTACH DATABASE ? AS inuse"_s, {inUsePath});
    struct Detach {
        Database &db;
        ~Detach()
        {
            try {
                db.exec(u"DETACH DATABASE inuse"_s);
            } catch (...) {
            }
        }
    } detach{copy};
    Transaction tx(copy);
    for (const char *table : {"DrawSeed", "DrawRoster", "DrawPress", "DrawPressWinner"}) {
        if (copy.scalar(u"select count(*) from inuse.sqlite_master where type = 'table' and name = ?"_s,
                        {QLatin1String(table)})
                .toInt()
            == 0)
            continue;
        copy.exec(u"insert or replace into main.%1 select * from inuse.%1"_s.arg(QLatin1String(table)));
    }
    tx.commit();
}

} // namespace ProofStore
