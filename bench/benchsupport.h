#pragma once
// Small pieces the benchmarks share: a database of generated employees and a
// reading of the process's resident memory.
#include "store/database.h"
#include "store/schema.h"

#include <QFile>
#include <QString>
#include <cstring>

namespace Bench {

// A line of /proc/self/status such as "VmRSS:" or "VmHWM:", in kB; -1 when unknown.
inline long residentKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(static_cast<qsizetype>(std::strlen(field))).trimmed().split(' ').front().toLong();
    }
    return -1;
}

// Opens a new database at path holding `count` employees in seven factories;
// codeOf(i) gives the code of employee i. False when the file cannot be made.
template <typename CodeOf> bool makeRoster(Database &db, const QString &path, int count, CodeOf codeOf)
{
    if (!createEmptyDatabase(path).isEmpty() || !db.open(path).isEmpty())
        return false;
    Transaction tx(db);
    for (int i = 0; i < count; ++i) {
        db.exec(QStringLiteral("insert into EmpNo(EmpCode, EmpName, CompCode, DartNo) values(?,?,?,?)"),
                {QString::number(codeOf(i)), QStringLiteral("员工%1").arg(i), QStringLiteral("工厂%1").arg(i % 7),
                 QStringLiteral("部门")});
    }
    tx.commit();
    return true;
}

} // namespace Bench
