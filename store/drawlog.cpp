#include "store/drawlog.h"

#include "store/catalogue.h"
#include "store/database.h"
#include "store/rowreaders.h"

#include <QDateTime>

using namespace Qt::StringLiterals;

QString drawRecordTime() { return QDateTime::currentDateTime().toString(u"yyyy-MM-dd HH:mm:ss"_s); }

QVariantList drawRecordValues(const DrawRecord &r)
{
    const QVariant item = r.sTime != 0 ? QVariant(r.sTime) : QVariant();
    return {r.sWhen, r.sEvent, item, r.sItemName, r.sAwards, r.sNo, r.sName, r.sCompCode, r.sHow, r.sScope};
}

void appendDrawRecord(Database &db, const DrawRecord &record)
{
    db.exec(Catalogue::Post::AppendDrawRecord, drawRecordValues(record));
}

void recordRemovedWinners(Database &db, const QString &event, const QString &code, const QString &factory)
{
    db.exec(Catalogue::Post::LogRemovedWinners, {drawRecordTime(), event, QString(), code, factory});
}

std::vector<DrawRecord> loadDrawRecords(Database &db)
{
    QSqlQuery q = db.exec(Catalogue::DrawLogByRecNo);
    return readDrawRecords(q);
}

std::map<int, int> returnedPlaces(Database &db)
{
    std::map<int, int> places;
    QSqlQuery q = db.exec(Catalogue::RemovedSinceReset, {DrawEvent::Deleted, DrawEvent::Absent, DrawEvent::Reset});
    while (q.next())
        places[q.value(0).toInt()] = q.value(1).toInt();
    return places;
}
