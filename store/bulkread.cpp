#include "store/bulkread.h"

#include "store/database.h"
#include "store/dberror.h"
#include "store/dbmessages.h"
#include "store/dialect.h"
#include "store/rowreaders.h"

#include <sqlite3.h>

namespace {

QString columnText(sqlite3_stmt *stmt, int col)
{
    if (col < 0)
        return {};
    const auto *text = static_cast<const char16_t *>(sqlite3_column_text16(stmt, col));
    if (!text)
        return {};
    return QString::fromUtf16(text, sqlite3_column_bytes16(stmt, col) / 2);
}

} // namespace

std::vector<Employee> loadEmployees(Database &db, const QString &statement)
{
    db.ensureOpen();
    sqlite3 *handle = db.engine();
    if (!handle) {
        QSqlQuery q = db.exec(statement);
        return readEmployees(q);
    }
    sqlite3_stmt *stmt = nullptr;
    const QByteArray sql = toSqlite(statement).toUtf8();
    if (sqlite3_prepare_v2(handle, sql.constData(), static_cast<int>(sql.size()), &stmt, nullptr) != SQLITE_OK)
        throw DbError(
            DbMessages::forResultCode(sqlite3_errcode(handle), QString::fromUtf8(sqlite3_errmsg(handle)), db.path()));

    int recNo = -1, code = -1, name = -1, comp = -1, dept = -1;
    for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
        const QByteArray column = QByteArray(sqlite3_column_name(stmt, i)).toLower();
        if (column == "recno")
            recNo = i;
        else if (column == "empcode")
            code = i;
        else if (column == "empname")
            name = i;
        else if (column == "compcode")
            comp = i;
        else if (column == "dartno")
            dept = i;
    }
    std::vector<Employee> rows;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        rows.push_back({recNo < 0 ? 0 : sqlite3_column_int(stmt, recNo), columnText(stmt, code), columnText(stmt, name),
                        columnText(stmt, comp), columnText(stmt, dept)});
    }
    const QString error = rc == SQLITE_DONE
                              ? QString()
                              : DbMessages::forResultCode(rc, QString::fromUtf8(sqlite3_errmsg(handle)), db.path());
    sqlite3_finalize(stmt);
    if (!error.isEmpty())
        throw DbError(error);
    return rows;
}

void readRoster(Database &db, const std::function<bool(const RosterRowView &)> &row)
{
    db.ensureOpen();
    sqlite3 *handle = db.engine();
    if (!handle)
        throw DbError(DbMessages::forResultCode(SQLITE_MISUSE, QString(), db.path()));
    const auto fail = [&](int rc) {
        return DbError(DbMessages::forResultCode(rc, QString::fromUtf8(sqlite3_errmsg(handle)), db.path()));
    };
    sqlite3_stmt *stmt = nullptr;
    static const char sql[] = "select RecNo, EmpCode, EmpName, CompCode, DartNo from EmpNo order by RecNo";
    if (const int rc = sqlite3_prepare_v2(handle, sql, sizeof sql - 1, &stmt, nullptr); rc != SQLITE_OK)
        throw fail(rc);
    const auto text = [stmt](int col) {
        const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(stmt, col));
        return bytes ? QByteArrayView(bytes, sqlite3_column_bytes(stmt, col)) : QByteArrayView();
    };
    int rc;
    try {
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            if (!row({sqlite3_column_int(stmt, 0), text(1), text(2), text(3), text(4)})) {
                rc = SQLITE_DONE;
                break;
            }
        }
    } catch (...) {
        sqlite3_finalize(stmt);
        throw;
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        throw fail(rc);
}
