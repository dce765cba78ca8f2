#pragma once
#include "store/rows.h"

#include <QString>
#include <QVariantList>
#include <map>
#include <vector>

class Database;

// The draw record (table DrawLog): what happened to the winners, kept across
// resets. Every record is written inside the transaction of the change it
// records, so the record and the tables agree also after a crash.
namespace DrawEvent {
inline const QString Won = QStringLiteral("中奖");
inline const QString Deleted = QStringLiteral("删除");
inline const QString Absent = QStringLiteral("弃奖");
inline const QString Reset = QStringLiteral("重置");
inline const QString Restored = QStringLiteral("恢复");
// A seed made (its commitment in sScope) and a seed revealed (the seed in sScope).
inline const QString Committed = QStringLiteral("承诺");
inline const QString Revealed = QStringLiteral("公布");
} // namespace DrawEvent

// How a winner was chosen (sHow of a 中奖 record).
namespace DrawHow {
inline const QString Designated = QStringLiteral("指定");
inline const QString Random = QStringLiteral("随机");
} // namespace DrawHow

// The local time as records hold it: YYYY-MM-DD HH:MM:SS.
QString drawRecordTime();

// The values of Catalogue::Post::AppendDrawRecord for a record; an sTime of 0
// is stored as no item.
QVariantList drawRecordValues(const DrawRecord &record);

// Appends one record; throws DbError. The caller holds the transaction.
void appendDrawRecord(Database &db, const DrawRecord &record);

// Records each of a person's winner rows under the event, before they are
// deleted; throws DbError. The caller holds the transaction.
void recordRemovedWinners(Database &db, const QString &event, const QString &code, const QString &factory,
                          const QString &name);

// Every record in the order written.
std::vector<DrawRecord> loadDrawRecords(Database &db);

// Per prize item (RecNo), how many of its winners were deleted or taken out
// as absent since the last reset: places that went back to the draw.
std::map<int, int> returnedPlaces(Database &db);

// The draw record only grows, also through a restore: `copy` (the data about
// to replace the data in use) gets `today`'s records in their places, then
// those of its own that today's lacks (compared by their content, not their
// numbers), then `restored`, the record of the restore itself. Throws DbError.
void keepDrawRecords(Database &copy, const std::vector<DrawRecord> &today, const DrawRecord &restored);
