#include "store/gridstore.h"

#include "store/database.h"
#include "store/snapshots.h"

#include <QLatin1String>
#include <QSqlRecord>

namespace {

using S = QLatin1String;
const S RosterPage{
    "select RecNo, EmpCode, EmpName, CompCode, DartNo from EmpNo where RecNo > ? order by RecNo limit ?"};
const S InsertEmployee{"insert into EmpNo([EmpCode],[EmpName],[CompCode],[DartNo]) values(?,?,?,?)"};
const S UpdateEmployee{"update EmpNo set EmpCode = ?, EmpName = ?, CompCode = ?, DartNo = ? where RecNo = ?"};
const S DeleteEmployee{"delete from EmpNo where RecNo = ?"};
const S PrizeRows{
    "select RecNo, iSeq, ItemName, Awards, SumNumber, iNumber, IsExec, ExcNum from AwardItem order by RecNo"};
const S InsertPrizeRow{
    "insert into AwardItem([iSeq],[ItemName],[Awards],[SumNumber],[iNumber],[IsExec],[ExcNum]) values(?,?,?,?,?,?,?)"};
const S UpdatePrizeRow{
    "update AwardItem set iSeq = ?, ItemName = ?, Awards = ?, SumNumber = ?, iNumber = ?, IsExec = ?, "
    "ExcNum = ? where RecNo = ?"};
const S DeletePrizeRow{"delete from AwardItem where RecNo = ?"};

std::vector<QVariantList> readRows(QSqlQuery &q)
{
    std::vector<QVariantList> rows;
    const int fields = q.record().count();
    while (q.next()) {
        QVariantList row;
        row.reserve(fields);
        for (int i = 0; i < fields; ++i)
            row << q.value(i);
        rows.push_back(std::move(row));
    }
    return rows;
}

// Text fields are bound as text (a null one as empty text, as everywhere the
// program writes); other fields keep their NULL.
QVariantList texts(const QVariantList &row, std::initializer_list<int> fields)
{
    QVariantList out;
    for (int f : fields)
        out << bindable(row.value(f).isNull() ? QVariant(QString()) : QVariant(row.value(f).toString()));
    return out;
}

// A value that is no whole number goes to the database as it is, which refuses it.
QVariant number(const QVariant &value)
{
    if (value.isNull())
        return {};
    bool ok = false;
    const qlonglong n = value.toLongLong(&ok);
    return ok ? QVariant(n) : value;
}

// The boolean field may not be NULL: an unset one is false.
QVariant flag(const QVariant &value) { return value.toBool() ? 1 : 0; }

QVariantList prizeValues(const QVariantList &row)
{
    const QVariantList names = texts(row, {2, 3});
    return {number(row.value(1)), names[0], names[1], number(row.value(4)), number(row.value(5)), flag(row.value(6)),
            number(row.value(7))};
}

} // namespace

namespace GridStore {

std::vector<QVariantList> rosterPage(Database &db, int afterRecNo, int limit)
{
    QSqlQuery q = db.exec(RosterPage, {afterRecNo, limit});
    return readRows(q);
}

int insertEmployee(Database &db, const QVariantList &row)
{
    return db.exec(InsertEmployee, texts(row, {1, 2, 3, 4})).lastInsertId().toInt();
}

void updateEmployee(Database &db, const QVariantList &row)
{
    db.exec(UpdateEmployee, texts(row, {1, 2, 3, 4}) << row.value(0));
}

void deleteEmployee(Database &db, int recNo) { db.exec(DeleteEmployee, {recNo}); }

std::vector<QVariantList> prizeRows(Database &db)
{
    QSqlQuery q = db.exec(PrizeRows);
    return readRows(q);
}

int insertPrizeRow(Database &db, const QVariantList &row)
{
    return db.exec(InsertPrizeRow, prizeValues(row)).lastInsertId().toInt();
}

void updatePrizeRow(Database &db, const QVariantList &row)
{
    db.exec(UpdatePrizeRow, prizeValues(row) << row.value(0));
}

void deletePrizeRow(Database &db, int recNo)
{
    Snapshots::take(db, Snapshots::deletePrizeItem());
    db.exec(DeletePrizeRow, {recNo});
}

} // namespace GridStore
