#include "store/setupstore.h"

#include "store/proofstore.h"
#include "store/snapshots.h"

#include "store/catalogue.h"
#include "store/database.h"
#include "store/drawlog.h"
#include "store/rowreaders.h"

namespace {
const QLatin1String CountAwardItems{"select Count(*) from AwardItem"};
const QLatin1String CountEmpNo{"select Count(RecNo) from EmpNo"};
const QLatin1String InsertAwardItem{
    "insert into AwardItem([iSeq],[ItemName],[Awards],[SumNumber],[iNumber],[ExcNum],[IsExec]) values(?,?,?,?,?,?,?)"};
} // namespace

int countPrizeItems(Database &db) { return db.scalar(CountAwardItems).toInt(); }

int countEmployees(Database &db) { return db.scalar(CountEmpNo).toInt(); }

int insertPrizeItem(Database &db, const PrizeItem &item)
{
    QSqlQuery q = db.exec(InsertAwardItem, {item.iSeq, item.ItemName, item.Awards, item.SumNumber, item.iNumber,
                                            item.ExcNum, item.IsExec ? 1 : 0});
    return q.lastInsertId().toInt();
}

std::vector<PrizeItem> openPrizeItems(Database &db)
{
    QSqlQuery q = db.exec(Catalogue::OpenAwardItems);
    return readPrizeItems(q);
}

void deleteAllEmployees(Database &db)
{
    Snapshots::take(db, Snapshots::clearRoster());
    db.exec(Catalogue::DeleteAllEmployees);
}

void resetDraw(Database &db)
{
    Snapshots::take(db, Snapshots::reset());
    Transaction tx(db);
    db.exec(Catalogue::Post::ResetItems);
    db.exec(Catalogue::DeleteAllWinners);
    db.exec(Catalogue::Post::ResetDesignations);
    // The next press draws with a new seed, its commitment shown before it.
    ProofStore::endLiveSeed(db);
    // The record itself is kept: it is what tells one round from the next.
    DrawRecord reset;
    reset.sWhen = drawRecordTime();
    reset.sEvent = DrawEvent::Reset;
    appendDrawRecord(db, reset);
    tx.commit();
}
