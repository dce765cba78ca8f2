#include "draw/drawproof.h"

#include "base/errors.h"
#include "draw/personset.h"
#include "store/database.h"
#include "store/drawlog.h"
#include "store/proofstore.h"
#include "store/rowreaders.h"
#include "store/catalogue.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>
#include <QSqlQuery>
#include <climits>
#include <map>

using namespace Qt::StringLiterals;

namespace {
// Who had won, was excluded or designated: lists of JSON arrays, as a
// press's state keeps them.
struct Lists {
    QJsonArray winners; // [code, factory, name, item]
    QJsonArray excluded; // [code, factory, name]
    QJsonArray designated; // [code, factory, name, item]
};

// A press's state; without its winners they are those at the end of the
// press before.
Lists listsOf(const QString &json, const Lists &before)
{
    const QJsonObject o = QJsonDocument::fromJson(json.toUtf8()).object();
    return {o.contains(u"winners"_s) ? o.value(u"winners"_s).toArray() : before.winners,
            o.value(u"excluded"_s).toArray(), o.value(u"designated"_s).toArray()};
}

Lists listsNow(Database &db)
{
    Lists now;
    {
        QSqlQuery q = db.exec(Catalogue::AwardListByRecNo);
        for (const Winner &w : readWinners(q))
            now.winners.append(QJsonArray{w.sNo, w.sCompCode, w.sName, w.sTime});
    }
    {
        QSqlQuery q = db.exec(Catalogue::AwardBlankByRecNo);
        for (const Exclusion &e : readExclusions(q))
            now.excluded.append(QJsonArray{e.sNo, e.sCompCode, e.sName});
    }
    {
        QSqlQuery q = db.exec(Catalogue::AllAwards);
        for (const Designation &d : readDesignations(q))
            now.designated.append(QJsonArray{d.sNo, d.sCompCode, d.sName, d.sTime});
    }
    return now;
}

QString textOf(const QJsonValue &v)
{
    return QString::fromUtf8(QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact));
}

// The entries of `from` that `other` lacks, counted one for one, in their order.
QJsonArray lacking(const QJsonArray &from, const QJsonArray &other)
{
    QHash<QString, int> held;
    for (const QJsonValue &v : other)
        ++held[textOf(v)];
    QJsonArray lacked;
    for (const QJsonValue &v : from) {
        if (int &n = held[textOf(v)]; n > 0)
            --n;
        else
            lacked.append(v);
    }
    return lacked;
}

// What joined and what left between two lists.
std::pair<QJsonArray, QJsonArray> difference(const QJsonArray &before, const QJsonArray &after)
{
    return {lacking(after, before), lacking(before, after)};
}

// Why winners left between two presses, from the draw record between their
// marks: the person's own 删除 or 弃奖, else the reset (清空) or a restore
// (恢复) in between.
class Removals {
public:
    explicit Removals(Database &db)
    {
        QSqlQuery q = db.exec(u"select RecNo, sEvent, sNo, sCompCode, sName from DrawLog where sEvent in (?, ?, ?, ?) "
                              "order by RecNo"_s,
                              {DrawEvent::Deleted, DrawEvent::Absent, DrawEvent::Reset, DrawEvent::Restored});
        while (q.next()) {
            m_rows.push_back({q.value(0).toInt(), q.value(1).toString(),
                              PersonSet::key(q.value(2).toString(), q.value(3).toString(), q.value(4).toString())});
        }
    }
    void setWindow(int after, int upTo)
    {
        m_after = after;
        m_upTo = upTo;
    }
    QString reason(const QJsonArray &person, bool excludedNow) const
    {
        const QString key = PersonSet::key(person[0].toString(), person[1].toString(), person[2].toString());
        QString general;
        for (const Row &r : m_rows) {
            if (r.recNo <= m_after || r.recNo > m_upTo)
                continue;
            if (r.event == DrawEvent::Reset)
                general = u"清空"_s;
            else if (r.event == DrawEvent::Restored && general.isEmpty())
                general = DrawEvent::Restored;
            else if (r.key == key && (r.event == DrawEvent::Deleted || r.event == DrawEvent::Absent))
                return r.event;
        }
        if (!general.isEmpty())
            return general;
        return excludedNow ? DrawEvent::Absent : DrawEvent::Deleted;
    }

private:
    struct Row {
        int recNo;
        QString event;
        QString key;
    };
    std::vector<Row> m_rows;
    int m_after = 0;
    int m_upTo = INT_MAX;
};

QJsonObject changes(const Lists &before, const Lists &after, const Removals &removals)
{
    const auto [winnersAdded, winnersRemoved] = difference(before.winners, after.winners);
    const auto [excludedAdded, excludedRemoved] = difference(before.excluded, after.excluded);
    const auto [designatedAdded, designatedRemoved] = difference(before.designated, after.designated);
    // A winner removed and excluded at once was absent (弃奖); else deleted.
    QSet<QString> nowExcluded;
    for (const QJsonValue &v : excludedAdded)
        nowExcluded.insert(textOf(v));
    QJsonArray removed;
    for (const QJsonValue &v : winnersRemoved) {
        QJsonArray w = v.toArray();
        const QJsonArray person{w[0], w[1], w[2]};
        w.append(removals.reason(person, nowExcluded.contains(textOf(person))));
        removed.append(w);
    }
    return {{u"winners_added"_s, winnersAdded},       {u"winners_removed"_s, removed},
            {u"excluded_added"_s, excludedAdded},     {u"excluded_removed"_s, excludedRemoved},
            {u"designated_added"_s, designatedAdded}, {u"designated_removed"_s, designatedRemoved}};
}

QJsonValue textOrNull(const QString &text) { return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text); }

QByteArray compact(const QJsonValue &v)
{
    if (v.isArray())
        return QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact);
    return QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact);
}
} // namespace

QByteArray proofBytes(Database &db, const QString &written)
{
    QJsonArray seeds;
    for (const ProofStore::Seed &s : ProofStore::allSeeds(db)) {
        seeds.append(QJsonObject{{u"number"_s, s.number},
                                 {u"commitment"_s, s.commitment},
                                 {u"seed"_s, s.revealed.isEmpty() ? QJsonValue(QJsonValue::Null)
                                                                  : QJsonValue(QString::fromLatin1(s.seed.toHex()))},
                                 {u"made"_s, s.made},
                                 {u"revealed"_s, textOrNull(s.revealed)}});
    }

    std::map<int, std::vector<ProofStore::PressWinner>> winnersOf;
    for (ProofStore::PressWinner &w : ProofStore::allPressWinners(db))
        winnersOf[w.press].push_back(std::move(w));

    QJsonArray presses;
    QSet<int> rosterNumbers;
    Lists before;
    Removals removals(db);
    int mark = 0;
    for (const ProofStore::Press &p : ProofStore::allPresses(db)) {
        removals.setWindow(mark, p.logMark);
        mark = p.logMark;
        const Lists start = listsOf(p.state, before);
        QJsonArray winners;
        Lists end = start;
        for (const ProofStore::PressWinner &w : winnersOf[p.number]) {
            winners.append(QJsonObject{{u"place"_s, w.place},
                                       {u"code"_s, w.code},
                                       {u"factory"_s, w.factory},
                                       {u"name"_s, w.name},
                                       {u"how"_s, w.how}});
            end.winners.append(QJsonArray{w.code, w.factory, w.name, p.item});
        }
        rosterNumbers.insert(p.roster);
        presses.append(QJsonObject{{u"number"_s, p.number},
                                   {u"seed"_s, p.seed},
                                   {u"roster"_s, p.roster},
                                   {u"when"_s, p.when},
                                   {u"item"_s, p.item},
                                   {u"item_name"_s, p.itemName},
                                   {u"prize"_s, p.prize},
                                   {u"scope"_s, QJsonDocument::fromJson(p.scope.toUtf8()).array()},
                                   {u"places"_s, p.places},
                                   {u"candidates"_s, p.candidates},
                                   {u"changes"_s, changes(before, start, removals)},
                                   {u"winners"_s, winners}});
        before = end;
    }

    QJsonArray rosters;
    for (int number : std::as_const(rosterNumbers)) {
        const QByteArray stored = ProofStore::storedRoster(db, number);
        QJsonArray rows;
        for (const std::array<QString, 4> &row : ProofStore::rosterRows(stored))
            rows.append(QJsonArray{row[0], row[1], row[2], row[3]});
        rosters.append(QJsonObject{
            {u"number"_s, number},
            {u"sha256"_s, QString::fromLatin1(QCryptographicHash::hash(stored, QCryptographicHash::Sha256).toHex())},
            {u"rows"_s, rows}});
    }
    // In number order, whatever order the set gave.
    std::vector<QJsonValue> sorted(rosters.begin(), rosters.end());
    std::sort(sorted.begin(), sorted.end(), [](const QJsonValue &a, const QJsonValue &b) {
        return a.toObject().value(u"number"_s).toInt() < b.toObject().value(u"number"_s).toInt();
    });
    rosters = QJsonArray();
    for (const QJsonValue &v : sorted)
        rosters.append(v);

    QByteArray body = R"({"format":"prizedraw-proof","version":1,"written":)";
    body += QJsonDocument(QJsonArray{written}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
    body += ",\"seeds\":" + compact(seeds) + ",\"rosters\":" + compact(rosters) + ",\"presses\":" + compact(presses)
            + ",\"after_last_press\":";
    removals.setWindow(mark, INT_MAX);
    body += compact(QJsonObject{{u"changes"_s, changes(before, listsNow(db), removals)}}) + ",";
    body += "\"checksum\":\"" + QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex() + "\"}\n";
    return body;
}

void writeProof(Database &db, const QString &path)
{
    const QByteArray bytes = proofBytes(db, drawRecordTime());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        throw AppError(u"无法写入抽奖证明文件 %1：%2。请换一个文件夹或文件名再试。"_s.arg(
            QFileInfo(path).absoluteFilePath(), file.errorString()));
    }
}
