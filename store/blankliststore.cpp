#include "store/blankliststore.h"

#include "store/catalogue.h"
#include "store/database.h"
#include "store/rowreaders.h"

#include <QLatin1String>

namespace {

using S = QLatin1String;
const S InsertDesignation{"insert into Award(sNo, sName, sTime, Checked, sCompCode) values(?,?,?,?,?)"};
const S UpdateDesignation{"update Award set sNo = ?, sName = ?, sTime = ?, sCompCode = ? where RecNo = ?"};
const S DeleteDesignation{"delete from Award where RecNo = ?"};
const S InsertExclusion{"insert into AwardBlank(sNo, sName, sCompCode) values(?,?,?)"};
const S UpdateExclusion{"update AwardBlank set sNo = ?, sName = ?, sCompCode = ? where RecNo = ?"};
const S DeleteExclusion{"delete from AwardBlank where RecNo = ?"};
const S EmployeesWithCode{"select * from EmpNo where EmpCode = ? order by RecNo"};
const S RosterRecNosByCode{"select RecNo from EmpNo order by EmpCode"};
const S EmployeeByRecNo{"select * from EmpNo where RecNo = ?"};

QVariant text(const QString &value) { return value.isEmpty() ? QVariant() : QVariant(value); }
QVariant item(int recNo) { return recNo == 0 ? QVariant() : QVariant(recNo); }

int insert(Database &db, const QString &statement, const QVariantList &values)
{
    return db.exec(statement, values).lastInsertId().toInt();
}

} // namespace

namespace BlankListStore {

std::vector<Designation> loadDesignations(Database &db)
{
    QSqlQuery q = db.exec(Catalogue::AwardListScreen);
    return readDesignations(q);
}

std::vector<Exclusion> loadExclusions(Database &db)
{
    QSqlQuery q = db.exec(Catalogue::AwardBlankByRecNo);
    return readExclusions(q);
}

std::vector<PrizeItem> loadItemsBySeq(Database &db)
{
    QSqlQuery q = db.exec(Catalogue::AwardItemBySeq);
    return readPrizeItems(q);
}

std::vector<int> rosterRecNosByCode(Database &db)
{
    QSqlQuery q = db.exec(RosterRecNosByCode);
    std::vector<int> recNos;
    while (q.next())
        recNos.push_back(q.value(0).toInt());
    return recNos;
}

Employee employeeByRecNo(Database &db, int recNo)
{
    QSqlQuery q = db.exec(EmployeeByRecNo, {recNo});
    std::vector<Employee> rows = readEmployees(q);
    return rows.empty() ? Employee{recNo, {}, {}, {}, {}} : rows.front();
}

std::vector<Employee> employeesWithCode(Database &db, const QString &code)
{
    QSqlQuery q = db.exec(EmployeesWithCode, {code});
    return readEmployees(q);
}

int insertDesignation(Database &db, const Designation &row)
{
    return insert(db, InsertDesignation,
                  {text(row.sNo), text(row.sName), item(row.sTime), row.Checked ? 1 : 0, text(row.sCompCode)});
}

void updateDesignation(Database &db, const Designation &row)
{
    db.exec(UpdateDesignation, {text(row.sNo), text(row.sName), item(row.sTime), text(row.sCompCode), row.RecNo});
}

void deleteDesignation(Database &db, int recNo) { db.exec(DeleteDesignation, {recNo}); }

int insertExclusion(Database &db, const Exclusion &row)
{
    return insert(db, InsertExclusion, {text(row.sNo), text(row.sName), text(row.sCompCode)});
}

void updateExclusion(Database &db, const Exclusion &row)
{
    db.exec(UpdateExclusion, {text(row.sNo), text(row.sName), text(row.sCompCode), row.RecNo});
}

void deleteExclusion(Database &db, int recNo) { db.exec(DeleteExclusion, {recNo}); }

} // namespace BlankListStore
