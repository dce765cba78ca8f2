#include "draw/proofcheck.h"

#include "base/seededpick.h"
#include "draw/eligibility.h"
#include "draw/personset.h"
#include "draw/rostertable.h"
#include "store/proofstore.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <cmath>
#include <map>
#include <memory>
#include <set>

using namespace Qt::StringLiterals;

namespace {
struct Refused {
    QString reason;
};

void need(bool condition, const QString &reason)
{
    if (!condition)
        throw Refused{reason};
}

const QString kRandom = u"随机"_s;
const QString kDesignated = u"指定"_s;

// The JSON reader accepts two members of one name and numbers with a
// fraction; the file may have neither. A small scan over the text finds them.
void scanJson(const QByteArray &text)
{
    struct Level {
        bool object;
        bool expectKey;
        QSet<QByteArray> keys;
    };
    std::vector<Level> levels;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            const qsizetype start = ++i;
            while (i < text.size() && text[i] != '"')
                i += text[i] == '\\' ? 2 : 1;
            if (!levels.empty() && levels.back().object && levels.back().expectKey) {
                // The key as written; an escaped and a plain spelling of one
                // name are told apart by the reader below, which is enough here.
                const QByteArray key = text.mid(start, i - start);
                need(!levels.back().keys.contains(key), u"JSON对象中成员 %1 出现了两次"_s.arg(QString::fromUtf8(key)));
                levels.back().keys.insert(key);
                levels.back().expectKey = false;
            }
        } else if (c == '{' || c == '[') {
            levels.push_back({c == '{', c == '{', {}});
        } else if (c == '}' || c == ']') {
            if (!levels.empty())
                levels.pop_back();
        } else if (c == ',') {
            if (!levels.empty() && levels.back().object)
                levels.back().expectKey = true;
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            const qsizetype start = i;
            while (i + 1 < text.size() && QByteArrayView("+-.eE0123456789").contains(text[i + 1]))
                ++i;
            const QByteArray number = text.mid(start, i - start + 1);
            need(number.indexOf('.') < 0 && number.indexOf('e') < 0 && number.indexOf('E') < 0,
                 u"数 %1 不是整数（文件中的数都是整数）"_s.arg(QString::fromLatin1(number)));
        }
    }
}

bool isHex64(const QJsonValue &v)
{
    static const QRegularExpression hex(u"^[0-9a-f]{64}$"_s);
    return v.isString() && hex.match(v.toString()).hasMatch();
}

bool isInt(const QJsonValue &v)
{
    const double d = v.toDouble(-1);
    return v.isDouble() && d >= 0 && d <= 9007199254740992.0 && std::floor(d) == d;
}

QString kindText(QChar kind)
{
    switch (kind.unicode()) {
    case 'i':
        return u"0到2^53的整数"_s;
    case 't':
        return u"文本"_s;
    case 'h':
        return u"64位小写十六进制文本"_s;
    case 'l':
        return u"数组"_s;
    case 'o':
        return u"对象"_s;
    default:
        return u"\"随机\"或\"指定\""_s;
    }
}

bool isKind(const QJsonValue &v, QChar kind)
{
    switch (kind.unicode()) {
    case 'i':
        return isInt(v);
    case 't':
        return v.isString();
    case 'h':
        return isHex64(v);
    case 'l':
        return v.isArray();
    case 'o':
        return v.isObject();
    default:
        return v.toString() == kRandom || v.toString() == kDesignated;
    }
}

// The members named in spec ("number:i", "seed:h?" when it may be null), each of its kind.
QJsonObject fields(const QJsonValue &value, const QString &where, const QStringList &spec)
{
    need(value.isObject(), u"成员 %1 不是对象"_s.arg(where));
    const QJsonObject o = value.toObject();
    for (const QString &s : spec) {
        const QString name = s.section(u':', 0, 0);
        const QChar kind = s.section(u':', 1)[0];
        const bool nullable = s.endsWith(u'?');
        const QJsonValue v = o.value(name);
        need(o.contains(name) && ((nullable && v.isNull()) || isKind(v, kind)),
             u"成员 %1%2 缺少或类型不对（应为%3%4）"_s.arg(where.isEmpty() ? QString() : where + u'.', name,
                                                           kindText(kind), nullable ? u"或 null"_s : QString()));
    }
    return o;
}

void entry(const QJsonValue &v, const QString &shape, const QString &where)
{
    const QJsonArray a = v.toArray();
    bool ok = v.isArray() && a.size() == shape.size();
    QStringList kinds;
    for (qsizetype i = 0; i < shape.size(); ++i) {
        kinds << kindText(shape[i]);
        ok = ok && isKind(a[i], shape[i]);
    }
    need(ok, u"成员 %1 不是由%2组成的数组"_s.arg(where, kinds.join(u'、')));
}

const std::vector<std::pair<QString, QString>> &changeShapes()
{
    static const std::vector<std::pair<QString, QString>> shapes = {
        {u"winners_added"_s, u"ttti"_s},   {u"winners_removed"_s, u"tttit"_s}, {u"excluded_added"_s, u"ttt"_s},
        {u"excluded_removed"_s, u"ttt"_s}, {u"designated_added"_s, u"ttti"_s}, {u"designated_removed"_s, u"ttti"_s}};
    return shapes;
}

QJsonObject checkChanges(const QJsonObject &owner, const QString &where)
{
    const QJsonObject changes = fields(owner, where, {u"changes:o"_s}).value(u"changes"_s).toObject();
    for (const auto &[name, shape] : changeShapes()) {
        const QJsonArray list = fields(changes, where + u".changes"_s, {name + u":l"_s}).value(name).toArray();
        for (qsizetype i = 0; i < list.size(); ++i)
            entry(list[i], shape, u"%1.changes.%2[%3]"_s.arg(where, name).arg(i));
    }
    return changes;
}

QString show(const QString &name, const QString &factory, const QString &code)
{
    QStringList inner;
    for (const QString &t : {factory, code}) {
        if (!t.isEmpty())
            inner << t;
    }
    return inner.isEmpty() ? name : u"%1（%2）"_s.arg(name, inner.join(u' '));
}

QString keyOf(const QJsonArray &e) { return PersonSet::key(e[0].toString(), e[1].toString(), e[2].toString()); }

struct Loaded {
    std::map<qint64, QByteArray> seeds; // empty: not revealed
    std::map<qint64, QJsonArray> rosters;
    QJsonArray presses;
    QJsonObject after;
};

Loaded load(const QByteArray &data)
{
    const QByteArray body = data.endsWith('\n') ? data.chopped(1) : data;
    static const QRegularExpression tail(u"^\"checksum\":\"([0-9a-f]{64})\"\\}$"_s);
    const QRegularExpressionMatch m =
        body.size() >= 78 ? tail.match(QString::fromLatin1(body.right(78))) : QRegularExpressionMatch();
    need(m.hasMatch(), u"文件不完整: 没有以校验和结尾（文件被截断了，请重新导出）"_s);
    need(QCryptographicHash::hash(body.chopped(78), QCryptographicHash::Sha256).toHex() == m.captured(1).toLatin1(),
         u"校验和不符: 文件在导出后被改动过或已损坏，请使用导出的原文件"_s);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)QString(utf8(data));
    need(!utf8.hasError(), u"不是UTF-8文本"_s);
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(data, &error);
    need(error.error == QJsonParseError::NoError, u"不是有效的JSON（第%1个字节）"_s.arg(error.offset + 1));
    scanJson(data);
    need(doc.isObject(), u"不是JSON对象"_s);
    const QJsonObject top = doc.object();
    need(top.value(u"format"_s).toString() == u"prizedraw-proof"_s,
         u"不是抽奖记录文件（format 不是 \"prizedraw-proof\"）"_s);
    const QJsonValue version = top.value(u"version"_s);
    need(isInt(version) && version.toInteger() == 1,
         u"格式版本 %1 不受支持（只认识版本 1），请用相应版本的验证工具"_s.arg(
             version.isUndefined()
                 ? u"null"_s
                 : QString::fromUtf8(QJsonDocument(QJsonArray{version}).toJson(QJsonDocument::Compact))
                       .mid(1)
                       .chopped(1)));
    fields(top, {}, {u"written:t"_s, u"seeds:l"_s, u"rosters:l"_s, u"presses:l"_s, u"after_last_press:o"_s});

    Loaded loaded;
    const QJsonArray seeds = top.value(u"seeds"_s).toArray();
    for (qsizetype i = 0; i < seeds.size(); ++i) {
        const QJsonObject s = fields(seeds[i], u"seeds[%1]"_s.arg(i),
                                     {u"number:i"_s, u"commitment:h"_s, u"seed:h?"_s, u"made:t"_s, u"revealed:t?"_s});
        const qint64 n = s.value(u"number"_s).toInteger();
        need(!loaded.seeds.count(n), u"种子编号 %1 出现了两次"_s.arg(n));
        need(s.value(u"seed"_s).isNull() == s.value(u"revealed"_s).isNull(),
             u"种子%1的 seed 与 revealed 不一致（公布的种子才有公布时间）"_s.arg(n));
        const QByteArray seed = QByteArray::fromHex(s.value(u"seed"_s).toString().toLatin1());
        need(s.value(u"seed"_s).isNull() || SeededPick::commitmentOf(seed) == s.value(u"commitment"_s).toString(),
             u"种子%1的SHA-256与抽奖前公示的承诺值不符"_s.arg(n));
        loaded.seeds[n] = seed;
    }

    const QJsonArray rosters = top.value(u"rosters"_s).toArray();
    for (qsizetype i = 0; i < rosters.size(); ++i) {
        const QJsonObject r = fields(rosters[i], u"rosters[%1]"_s.arg(i), {u"number:i"_s, u"sha256:h"_s, u"rows:l"_s});
        const qint64 n = r.value(u"number"_s).toInteger();
        const QJsonArray rows = r.value(u"rows"_s).toArray();
        std::vector<std::array<QString, 4>> texts;
        for (qsizetype j = 0; j < rows.size(); ++j) {
            entry(rows[j], u"tttt"_s, u"rosters[%1].rows[%2]"_s.arg(i).arg(j));
            const QJsonArray row = rows[j].toArray();
            texts.push_back({row[0].toString(), row[1].toString(), row[2].toString(), row[3].toString()});
        }
        need(!loaded.rosters.count(n), u"名单编号 %1 出现了两次"_s.arg(n));
        // By factory, code, name, department, compared as UTF-8 bytes.
        const auto order = [](const std::array<QString, 4> &row) {
            return std::array<QByteArray, 4>{row[1].toUtf8(), row[0].toUtf8(), row[3].toUtf8(), row[2].toUtf8()};
        };
        for (size_t j = 1; j < texts.size(); ++j) {
            need(!(order(texts[j]) < order(texts[j - 1])),
                 u"名单%1的第%2行不在规范顺序中（按厂别、工号、姓名、部门排列）"_s.arg(n).arg(j + 1));
        }
        need(QCryptographicHash::hash(ProofStore::rosterBytes(texts), QCryptographicHash::Sha256).toHex()
                 == r.value(u"sha256"_s).toString().toLatin1(),
             u"名单%1的 sha256 与它的各行不符"_s.arg(n));
        loaded.rosters[n] = rows;
    }

    loaded.presses = top.value(u"presses"_s).toArray();
    qint64 previous = 0;
    for (qsizetype i = 0; i < loaded.presses.size(); ++i) {
        const QString where = u"presses[%1]"_s.arg(i);
        const QJsonObject p =
            fields(loaded.presses[i], where,
                   {u"number:i"_s, u"seed:i"_s, u"roster:i"_s, u"candidates:i"_s, u"scope:l"_s, u"winners:l"_s,
                    u"when:t"_s, u"item:i"_s, u"item_name:t"_s, u"prize:t"_s, u"places:i"_s});
        const QJsonArray scope = p.value(u"scope"_s).toArray();
        for (qsizetype j = 0; j < scope.size(); ++j)
            entry(scope[j], u"tt"_s, u"%1.scope[%2]"_s.arg(where).arg(j));
        checkChanges(p, where);
        const qint64 number = p.value(u"number"_s).toInteger();
        need(number > previous,
             previous ? u"抽取编号不是递增的: 第%1次之后是第%2次"_s.arg(previous).arg(number) : u"抽取编号从1起"_s);
        const qint64 seed = p.value(u"seed"_s).toInteger();
        const qint64 roster = p.value(u"roster"_s).toInteger();
        const qint64 c = p.value(u"candidates"_s).toInteger();
        need(loaded.seeds.count(seed), u"第%1次抽取所用的种子%2不在文件中"_s.arg(number).arg(seed));
        need(loaded.rosters.count(roster), u"第%1次抽取所用的名单%2不在文件中"_s.arg(number).arg(roster));
        need(c >= 1, u"第%1次抽取的 candidates 为 0（每位至少有一个候选）"_s.arg(number));
        const QJsonArray winners = p.value(u"winners"_s).toArray();
        for (qsizetype j = 0; j < winners.size(); ++j) {
            const QString at = u"%1.winners[%2]"_s.arg(where).arg(j);
            const QJsonObject w =
                fields(winners[j], at, {u"place:i"_s, u"code:t"_s, u"factory:t"_s, u"name:t"_s, u"how:w"_s});
            const double place = w.value(u"place"_s).toDouble();
            // The step number must fit the generator's eight bytes.
            need(place >= 1 && place * double(c) <= 18446744073709551616.0, u"成员 %1.place 超出范围"_s.arg(at));
        }
        previous = number;
    }
    loaded.after = top.value(u"after_last_press"_s).toObject();
    checkChanges(loaded.after, u"after_last_press"_s);
    return loaded;
}

// The draw's own model of one roster: its people in canonical order.
struct Model {
    RosterTable roster;
    Eligibility eligibility;
};

void apply(const QJsonObject &changes, PersonSet &won, PersonSet &excluded,
           std::set<std::pair<QString, qint64>> &designated)
{
    for (auto [name, target] : {std::pair{u"winners"_s, &won}, std::pair{u"excluded"_s, &excluded}}) {
        for (const QJsonValue &v : changes.value(name + u"_removed"_s).toArray()) {
            const QJsonArray e = v.toArray();
            target->remove(e[0].toString(), e[1].toString(), e[2].toString());
        }
        for (const QJsonValue &v : changes.value(name + u"_added"_s).toArray()) {
            const QJsonArray e = v.toArray();
            target->insert(e[0].toString(), e[1].toString(), e[2].toString());
        }
    }
    for (const QJsonValue &v : changes.value(u"designated_removed"_s).toArray())
        designated.erase({keyOf(v.toArray()), v.toArray()[3].toInteger()});
    for (const QJsonValue &v : changes.value(u"designated_added"_s).toArray())
        designated.insert({keyOf(v.toArray()), v.toArray()[3].toInteger()});
}

ProofVerdict replay(const Loaded &loaded)
{
    ProofVerdict verdict;
    PersonSet won, excluded;
    std::set<std::pair<QString, qint64>> designated;
    std::map<qint64, std::unique_ptr<Model>> models;
    int agreeing = 0, disagreeing = 0, unverifiable = 0, random = 0, byDesignation = 0;
    constexpr int kItem = 1; // the press's item within its model
    for (const QJsonValue &value : loaded.presses) {
        const QJsonObject press = value.toObject();
        apply(press.value(u"changes"_s).toObject(), won, excluded, designated);
        const QJsonArray winners = press.value(u"winners"_s).toArray();
        for (const QJsonValue &w : winners)
            (w.toObject().value(u"how"_s).toString() == kRandom ? random : byDesignation) += 1;
        const qint64 number = press.value(u"number"_s).toInteger();
        const QString line =
            u"第%1次 %2 %3人: "_s.arg(number).arg(press.value(u"item_name"_s).toString()).arg(winners.size());
        const QByteArray &seed = loaded.seeds.at(press.value(u"seed"_s).toInteger());
        if (seed.isEmpty()) {
            for (const QJsonValue &w : winners) {
                const QJsonObject o = w.toObject();
                won.insert(o.value(u"code"_s).toString(), o.value(u"factory"_s).toString(),
                           o.value(u"name"_s).toString());
            }
            ++unverifiable;
            verdict.lines << line + u"无法验证: 种子未公布"_s;
            continue;
        }
        const qint64 rosterNumber = press.value(u"roster"_s).toInteger();
        std::unique_ptr<Model> &model = models[rosterNumber];
        if (!model) {
            model = std::make_unique<Model>();
            const QJsonArray rows = loaded.rosters.at(rosterNumber);
            model->roster.reserve(rows.size());
            for (qsizetype i = 0; i < rows.size(); ++i) {
                const QJsonArray r = rows[i].toArray();
                model->roster.append(static_cast<int>(i + 1), r[0].toString().toUtf8(), r[3].toString().toUtf8(),
                                     r[1].toString().toUtf8(), r[2].toString().toUtf8());
            }
            model->roster.finish();
            model->eligibility.rebuild(model->roster, {});
        }
        Eligibility &eligibility = model->eligibility;
        std::vector<ScopeRow> scope;
        for (const QJsonValue &rule : press.value(u"scope"_s).toArray())
            scope.push_back(ScopeRow{0, kItem, rule.toArray()[0].toString(), rule.toArray()[1].toString()});
        eligibility.setScopes(scope);
        PersonSet designatedPeople;
        for (const auto &[key, item] : designated) {
            const std::array<QString, 3> parts = PersonSet::parts(key);
            designatedPeople.insert(parts[0], parts[1], parts[2]);
        }
        eligibility.setPeople(Eligibility::Block::Won, won);
        eligibility.setPeople(Eligibility::Block::Excluded, excluded);
        eligibility.setPeople(Eligibility::Block::Designated, designatedPeople);

        const qint64 c = press.value(u"candidates"_s).toInteger();
        QStringList faults;
        for (const QJsonValue &w : winners) {
            const QJsonObject o = w.toObject();
            const QString code = o.value(u"code"_s).toString(), factory = o.value(u"factory"_s).toString(),
                          name = o.value(u"name"_s).toString();
            const qint64 place = o.value(u"place"_s).toInteger();
            const QString who = u"第%1位 %2"_s.arg(place).arg(show(name, factory, code));
            if (o.value(u"how"_s).toString() == kRandom) {
                const int left = eligibility.left(kItem);
                if (left == 0) {
                    faults << who + u"，种子给出：无人可抽"_s;
                } else {
                    const quint64 step = static_cast<quint64>(place) * static_cast<quint64>(c) - 1;
                    const int row = eligibility.eligibleRow(
                        kItem, static_cast<qint64>(SeededPick::below(seed, static_cast<quint64>(number), step,
                                                                     static_cast<quint64>(left))));
                    const RosterTable &r = model->roster;
                    if (PersonSet::key(r.code(row), r.factory(row), r.name(row)) != PersonSet::key(code, factory, name))
                        faults << u"%1，种子给出 %2"_s.arg(who, show(r.name(row), r.factory(row), r.code(row)));
                }
            } else if (!designated.count({PersonSet::key(code, factory, name), press.value(u"item"_s).toInteger()})) {
                faults << who + u"标为指定，但没有此奖项的指定"_s;
            }
            if (won.contains(code, factory, name))
                faults << who + u"已经中过奖"_s;
            // The winner as recorded, so that one wrong winner is reported once.
            won.insert(code, factory, name);
            eligibility.addPerson(Eligibility::Block::Won, code, factory, name);
        }
        (faults.isEmpty() ? agreeing : disagreeing) += 1;
        verdict.lines << line + (faults.isEmpty() ? u"一致"_s : u"不一致: "_s + faults.join(u'；'));
    }
    verdict.lines << u"合计: %1次抽取, 随机中奖%2人, 指定中奖%3人; 一致%4次, 不一致%5次, 无法验证%6次"_s
                         .arg(loaded.presses.size())
                         .arg(random)
                         .arg(byDesignation)
                         .arg(agreeing)
                         .arg(disagreeing)
                         .arg(unverifiable);
    // A winner added outside the presses carries only the item's number; its
    // name is the one of the item's latest press in the file.
    std::map<qint64, QString> itemNames;
    std::vector<QJsonObject> allChanges;
    for (const QJsonValue &value : loaded.presses) {
        const QJsonObject press = value.toObject();
        itemNames[press.value(u"item"_s).toInteger()] = press.value(u"item_name"_s).toString();
        allChanges.push_back(press.value(u"changes"_s).toObject());
    }
    allChanges.push_back(loaded.after.value(u"changes"_s).toObject());
    std::vector<std::pair<qint64, int>> unchecked; // in the order first met
    int uncheckedCount = 0;
    for (const QJsonObject &changes : allChanges) {
        for (const QJsonValue &v : changes.value(u"winners_added"_s).toArray()) {
            const qint64 item = v.toArray()[3].toInteger();
            auto it = std::find_if(unchecked.begin(), unchecked.end(), [&](const auto &p) { return p.first == item; });
            if (it == unchecked.end())
                unchecked.push_back({item, 1});
            else
                ++it->second;
            ++uncheckedCount;
        }
    }
    if (!unchecked.empty()) {
        QStringList parts;
        for (const auto &[item, n] : unchecked) {
            const auto name = itemNames.find(item);
            parts << u"%1 %2人"_s.arg(name != itemNames.end() ? name->second : u"奖项%1"_s.arg(item)).arg(n);
        }
        verdict.lines << u"另有%1位中奖者没有抽取记录，无法验证: %2"_s.arg(uncheckedCount).arg(parts.join(u", "_s));
    }
    verdict.exitCode = agreeing == loaded.presses.size() ? 0 : 1;
    return verdict;
}
} // namespace

ProofVerdict checkProof(const QByteArray &file)
{
    try {
        return replay(load(file));
    } catch (const Refused &r) {
        ProofVerdict refused;
        refused.refusal = r.reason;
        return refused;
    }
}

ProofVerdict checkProofFile(const QString &path)
{
    QFile file(path);
    const QFileInfo info(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly)) {
        ProofVerdict refused;
        refused.refusal = u"无法读取文件: %1"_s.arg(!info.exists() ? u"文件不存在"_s
                                                    : info.isDir() ? u"这是一个文件夹"_s
                                                                   : u"没有读取权限"_s);
        return refused;
    }
    return checkProof(file.readAll());
}
