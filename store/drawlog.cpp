#include "store/drawlog.h"

#include "store/catalogue.h"
#include "store/database.h"
#include "store/rowreaders.h"

#include <QDateTime>
#include <QHash>

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

void recordRemovedWinners(Database &db, const QString &event, const QString &code, const QString &factory,
                          const QString &name)
{
    db.exec(Catalogue::Post::LogRemovedWinners, {drawRecordTime(), event, QString(), code, factory, name});
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

namespace {
QString contentOf(const DrawRecord &r)
{
    return QStringList{r.sWhen, r.sEvent, QString::number(r.sTime), r.sItemName, r.sAwards, r.sNo, r.sName, r.sCompCode,
                       r.sHow,  r.sScope}
        .join(QChar(0x1f));
}
} // namespace

void keepDrawRecords(Database &copy, const std::vector<DrawRecord> &today, const DrawRecord &restored)
{
    const std::vector<DrawRecord> own = loadDrawRecords(copy);
    // Two equal records (a person deleted twice within a second) are two
    // records: matched one for one.
    QHash<QString, int> held;
    for (const DrawRecord &r : today)
        ++held[contentOf(r)];
    Transaction tx(copy);
    copy.exec(Catalogue::Post::EmptyDrawLog);
    for (const DrawRecord &r : today)
        copy.exec(Catalogue::Post::PutDrawRecord, QVariantList{r.RecNo} + drawRecordValues(r));
    for (const DrawRecord &r : own) {
        if (int &left = held[contentOf(r)]; left > 0)
            --left;
        else
            appendDrawRecord(copy, r);
    }
    appendDrawRecord(copy, restored);
    tx.commit();
}
