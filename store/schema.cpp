#include "store/schema.h"

#include "store/database.h"
#include "store/dberror.h"

#include <QFile>
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

QStringList schemaStatements()
{
    return {
        table("EmpNo", {text("EmpCode", 50), text("EmpName", 50), text("CompCode", 100), text("DartNo", 50)}),
        table("AwardItem", {integer("iSeq"), text("ItemName", 50), text("Awards", 50), integer("SumNumber"),
                            integer("iNumber"), boolean("IsExec"), count("ExcNum")}),
        table("Award",
              {text("sNo", 50), text("sName", 50), integer("sTime"), boolean("Checked"), text("sCompCode", 100)}),
        table("AwardBlank", {text("sNo", 50), text("sName", 50), text("sCompCode", 100)}),
        table("AwardList", {text("sNo", 50), text("sName", 50), integer("sTime"), text("sCompCode", 100)}),
        drawLogTable(),
    };
}

QString create(const QString &path, bool demo)
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
        for (const QString &statement : schemaStatements())
            db.exec(statement);
        if (demo) {
            const QStringList factories = {u"一厂"_s, u"二厂"_s, u"三厂"_s, u"四厂"_s};
            const QStringList departments = {u"生产部"_s, u"品质部"_s, u"行政部"_s, u"财务部"_s, u"仓储部"_s};
            const QStringList family = {u"王"_s, u"李"_s, u"张"_s, u"刘"_s, u"陈"_s, u"杨"_s, u"赵"_s, u"黄"_s};
            const QStringList given = {u"伟"_s, u"芳"_s, u"娜"_s, u"敏"_s, u"静"_s,
                                       u"强"_s, u"磊"_s, u"洋"_s, u"艳"_s, u"勇"_s};
            for (int i = 0; i < 400; ++i) {
                db.exec(u"insert into EmpNo(EmpCode, EmpName, CompCode, DartNo) values(?,?,?,?)"_s,
                        QVariantList{QString::number(100001 + i),
                                     QString(family[i % family.size()] + given[(i / 8) % given.size()]),
                                     factories[i % factories.size()], departments[(i / 3) % departments.size()]});
            }
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

void addDrawLogWhenMissing(Database &db)
{
    try {
        bool ours = false;
        bool hasLog = false;
        QSqlQuery q = db.exec(u"select lower(name) from sqlite_master where type = 'table' and lower(name) in (?, ?)"_s,
                              {u"awardlist"_s, u"drawlog"_s});
        while (q.next()) {
            ours = ours || q.value(0).toString() == u"awardlist"_s;
            hasLog = hasLog || q.value(0).toString() == u"drawlog"_s;
        }
        q = QSqlQuery();
        if (ours && !hasLog)
            db.exec(drawLogTable());
    } catch (const DbError &) {
        // A file that cannot be written to stays as it is; it gets the table
        // when it is opened with writing allowed.
    }
}

QString createEmptyDatabase(const QString &path) { return create(path, false); }

QString createDemoDatabase(const QString &path) { return create(path, true); }

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
