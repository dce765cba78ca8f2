#include "store/schema.h"

#include "store/database.h"
#include "store/dberror.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

QString text(const char *name, int size)
{
    return u"%1 TEXT CHECK (%1 IS NULL OR (typeof(%1) = 'text' AND length(%1) <= %2))"_s.arg(QLatin1String(name))
        .arg(size);
}

QString integer(const char *name)
{
    return u"%1 INTEGER CHECK (%1 IS NULL OR (typeof(%1) = 'integer' AND %1 BETWEEN -2147483648 AND 2147483647))"_s.arg(
        QLatin1String(name));
}

// Text of any length (a JSON list).
QString longText(const char *name)
{
    return u"%1 TEXT CHECK (%1 IS NULL OR typeof(%1) = 'text')"_s.arg(QLatin1String(name));
}

// A count that starts at zero: a new prize item has no winners yet.
QString count(const char *name) { return integer(name).replace(u" INTEGER CHECK"_s, u" INTEGER DEFAULT 0 CHECK"_s); }

QString boolean(const char *name)
{
    return u"%1 INTEGER NOT NULL DEFAULT 0 CHECK (%1 IN (0, 1))"_s.arg(QLatin1String(name));
}

QString table(const char *name, const QStringList &fields)
{
    return u"CREATE TABLE %1 (RecNo INTEGER PRIMARY KEY AUTOINCREMENT, %2)"_s.arg(QLatin1String(name),
                                                                                  fields.join(u", "_s));
}

QString drawLogTable()
{
    return table("DrawLog",
                 {text("sWhen", 50), text("sEvent", 20), integer("sTime"), text("sItemName", 50), text("sAwards", 50),
                  text("sNo", 50), text("sName", 50), text("sCompCode", 100), text("sHow", 20)});
}

// The five tables as the system has always had them; everything added since
// comes from the steps below.
QStringList deliveredStatements()
{
    return {
        table("EmpNo", {text("EmpCode", 50), text("EmpName", 50), text("CompCode", 100), text("DartNo", 50)}),
        table("AwardItem", {integer("iSeq"), text("ItemName", 50), text("Awards", 50), integer("SumNumber"),
                            integer("iNumber"), boolean("IsExec"), count("ExcNum")}),
        table("Award",
              {text("sNo", 50), text("sName", 50), integer("sTime"), boolean("Checked"), text("sCompCode", 100)}),
        table("AwardBlank", {text("sNo", 50), text("sName", 50), text("sCompCode", 100)}),
        table("AwardList", {text("sNo", 50), text("sName", 50), integer("sTime"), text("sCompCode", 100)}),
    };
}

// The changes of our file since the five tables, in order. Step n brings a
// file from user_version n - 1 to n; a step never changes once released, a
// new change is a new step. Steps that create tables say "if not exists":
// files of the build before the list was kept already hold the draw record.
const std::vector<QStringList> &schemaSteps()
{
    static const std::vector<QStringList> steps = {
        // 1: the draw record.
        {drawLogTable().replace(u"CREATE TABLE "_s, u"CREATE TABLE IF NOT EXISTS "_s)},
        // 2: who may win an item; the rows go with their item.
        {u"CREATE TABLE IF NOT EXISTS AwardScope (RecNo INTEGER PRIMARY KEY AUTOINCREMENT, %1, %2, %3)"_s.arg(
             integer("sTime"), text("CompCode", 100), text("DartNo", 50)),
         u"CREATE TRIGGER IF NOT EXISTS AwardScopeFollowsItem AFTER DELETE ON AwardItem "
         "BEGIN DELETE FROM AwardScope WHERE sTime = old.RecNo; END"_s},
        // 3: a winner's record names the scope of the item won.
        {u"ALTER TABLE DrawLog ADD COLUMN %1"_s.arg(text("sScope", 200))},
        // 4: the current item, kept across a restart.
        {u"CREATE TABLE IF NOT EXISTS DrawState (RecNo INTEGER PRIMARY KEY CHECK (RecNo = 1), %1)"_s.arg(
            integer("CurrItemNo"))},
        // 5: the proof of the draw: the seeds and their commitments, the
        // rosters drawn from, every press and its winners.
        {table("DrawSeed",
               {text("sSeed", 64), text("sCommit", 64), text("sMade", 50), text("sRevealed", 50), boolean("bEnded")}),
         table("DrawRoster", {text("sSha", 64), u"bRows BLOB CHECK (typeof(bRows) = 'blob')"_s}),
         table("DrawPress", {integer("iSeed"), integer("iRoster"), text("sWhen", 50), integer("iItem"),
                             text("sItemName", 50), text("sAwards", 50), longText("sScope"), integer("iPlaces"),
                             integer("iCandidates"), longText("sState"), integer("iLogMark")}),
         table("DrawPressWinner", {integer("iPress"), integer("iPlace"), text("sNo", 50), text("sCompCode", 100),
                                   text("sName", 50), text("sHow", 20)})},
    };
    return steps;
}

// The tables each step brings, with the fields the program reads: a file
// whose version claims the step must hold them.
struct StepTable {
    int step;
    const char *name;
    QStringList fields;
};
const std::vector<StepTable> &stepTables()
{
    static const std::vector<StepTable> tables = {
        {1,
         "DrawLog",
         {u"RecNo"_s, u"sWhen"_s, u"sEvent"_s, u"sTime"_s, u"sItemName"_s, u"sAwards"_s, u"sNo"_s, u"sName"_s,
          u"sCompCode"_s, u"sHow"_s}},
        {2, "AwardScope", {u"RecNo"_s, u"sTime"_s, u"CompCode"_s, u"DartNo"_s}},
        {4, "DrawState", {u"RecNo"_s, u"CurrItemNo"_s}},
        {5, "DrawSeed", {u"RecNo"_s, u"sSeed"_s, u"sCommit"_s, u"sMade"_s, u"sRevealed"_s, u"bEnded"_s}},
        {5, "DrawRoster", {u"RecNo"_s, u"sSha"_s, u"bRows"_s}},
        {5,
         "DrawPress",
         {u"RecNo"_s, u"iSeed"_s, u"iRoster"_s, u"sWhen"_s, u"iItem"_s, u"sItemName"_s, u"sAwards"_s, u"sScope"_s,
          u"iPlaces"_s, u"iCandidates"_s, u"sState"_s, u"iLogMark"_s}},
        {5, "DrawPressWinner", {u"RecNo"_s, u"iPress"_s, u"iPlace"_s, u"sNo"_s, u"sCompCode"_s, u"sName"_s, u"sHow"_s}},
    };
    return tables;
}

QString simplifiedSql(QString sql)
{
    sql.replace(u"IF NOT EXISTS "_s, QString(), Qt::CaseInsensitive);
    return sql.simplified();
}

void runSteps(Database &db, int from)
{
    const std::vector<QStringList> &steps = schemaSteps();
    for (size_t i = static_cast<size_t>(from); i < steps.size(); ++i) {
        for (const QString &statement : steps[i])
            db.exec(statement);
    }
    db.exec(u"PRAGMA user_version = %1"_s.arg(steps.size()));
}

QString create(const QString &path, bool demo, int people)
{
    QFile::remove(path);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return file.errorString();
    }
    try {
        Database db(u"prizedraw-schema"_s);
        const QString error = db.openNew(path);
        if (!error.isEmpty())
            return error;
        Transaction tx(db);
        for (const QString &statement : deliveredStatements())
            db.exec(statement);
        runSteps(db, 0);
        if (demo) {
            // Made by the engine itself, so that a roster of a million people
            // for the benchmarks takes a second, not a minute.
            db.exec(u"WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < ?) "
                    "INSERT INTO EmpNo(EmpCode, EmpName, CompCode, DartNo) SELECT CAST(100001 + i AS TEXT), "
                    "substr('王李张刘陈杨赵黄', i % 8 + 1, 1) || substr('伟芳娜敏静强磊洋艳勇', (i / 8) % 10 + 1, 1), "
                    "substr('一二三四', i % 4 + 1, 1) || '厂', "
                    "substr('生产品质行政财务仓储', ((i / 3) % 5) * 2 + 1, 2) || '部' FROM n"_s,
                    {people});
            const struct {
                int seq;
                const char16_t *name;
                const char16_t *award;
                int sum;
                int per;
            } items[] = {{1, u"三等奖", u"电饭煲", 10, 5},
                         {2, u"二等奖", u"平板电脑", 5, 5},
                         {3, u"一等奖", u"笔记本电脑", 2, 1}};
            for (const auto &item : items) {
                db.exec(
                    u"insert into AwardItem(iSeq, ItemName, Awards, SumNumber, iNumber, IsExec, ExcNum) values(?,?,?,?,?,0,0)"_s,
                    QVariantList{item.seq, QString::fromUtf16(item.name), QString::fromUtf16(item.award), item.sum,
                                 item.per});
            }
        }
        tx.commit();
    } catch (const DbError &e) {
        return e.text();
    }
    return {};
}

} // namespace

const std::vector<DeliveredTable> &deliveredTables()
{
    static const std::vector<DeliveredTable> tables = {
        {u"EmpNo"_s, {u"RecNo"_s, u"EmpCode"_s, u"EmpName"_s, u"CompCode"_s, u"DartNo"_s}},
        {u"AwardItem"_s,
         {u"RecNo"_s, u"iSeq"_s, u"ItemName"_s, u"Awards"_s, u"SumNumber"_s, u"iNumber"_s, u"IsExec"_s, u"ExcNum"_s}},
        {u"Award"_s, {u"RecNo"_s, u"sNo"_s, u"sName"_s, u"sTime"_s, u"Checked"_s, u"sCompCode"_s}},
        {u"AwardBlank"_s, {u"RecNo"_s, u"sNo"_s, u"sName"_s, u"sCompCode"_s}},
        {u"AwardList"_s, {u"RecNo"_s, u"sNo"_s, u"sName"_s, u"sTime"_s, u"sCompCode"_s}},
    };
    return tables;
}

int latestSchemaVersion() { return static_cast<int>(schemaSteps().size()); }

int schemaVersion(Database &db) { return db.scalar(u"PRAGMA user_version"_s).toInt(); }

int upgradeSchema(Database &db)
{
    const int version = schemaVersion(db);
    try {
        if (version >= latestSchemaVersion())
            return version;
        // Only a file of ours is changed: it has the winners' table.
        if (db.scalar(u"select count(*) from sqlite_master where type = 'table' and lower(name) = 'awardlist'"_s)
                .toInt()
            == 0)
            return version;
        Transaction tx(db);
        runSteps(db, version);
        tx.commit();
        return latestSchemaVersion();
    } catch (const DbError &) {
        // A file that cannot be written to stays as it is; it is brought up to
        // date when it is opened with writing allowed.
        return version;
    }
}

QString schemaMismatch(const std::vector<SchemaObject> &objects, int version)
{
    // Our triggers, as the steps that a file of this version has had wrote them.
    QHash<QString, QString> triggers;
    const std::vector<QStringList> &steps = schemaSteps();
    for (size_t i = 0; i < steps.size() && int(i) < version; ++i) {
        for (const QString &statement : steps[i]) {
            static const QRegularExpression name(u"^CREATE TRIGGER (?:IF NOT EXISTS )?(\\w+)"_s,
                                                 QRegularExpression::CaseInsensitiveOption);
            if (const QRegularExpressionMatch m = name.match(statement); m.hasMatch())
                triggers.insert(m.captured(1).toLower(), simplifiedSql(statement));
        }
    }
    QSet<QString> tables;
    for (const SchemaObject &object : objects) {
        const QString type = object.type.toLower();
        if (type == u"view"_s)
            return u"含有视图 %1（本程序的数据库没有视图）"_s.arg(object.name);
        if (type == u"trigger"_s) {
            const auto ours = triggers.constFind(object.name.toLower());
            if (ours == triggers.cend() || simplifiedSql(object.sql).compare(*ours, Qt::CaseInsensitive) != 0)
                return u"含有不是本程序建立的触发器 %1"_s.arg(object.name);
        } else if (type == u"table"_s) {
            tables.insert(object.name.toLower());
        }
    }
    for (const DeliveredTable &table : deliveredTables()) {
        if (!tables.contains(table.name.toLower()))
            return u"缺少数据表 %1"_s.arg(table.name);
    }
    for (const StepTable &table : stepTables()) {
        if (table.step <= version && !tables.contains(QString::fromLatin1(table.name).toLower()))
            return u"缺少它的版本（%2）应有的数据表 %1"_s.arg(QLatin1String(table.name)).arg(version);
    }
    return {};
}

QString createEmptyDatabase(const QString &path) { return create(path, false, 0); }

QString createDemoDatabase(const QString &path, int people) { return create(path, true, people); }

bool databaseHasNoRows(const QString &path)
{
    try {
        Database db(u"prizedraw-probe"_s);
        if (!db.open(path).isEmpty())
            return false;
        for (const char *name : {"EmpNo", "AwardItem", "Award", "AwardBlank", "AwardList"}) {
            if (db.scalar(u"select count(*) from "_s + QLatin1String(name)).toInt() > 0)
                return false;
        }
        return true;
    } catch (const DbError &) {
        return false;
    }
}
