#include "store/rosterbulk.h"

#include "store/catalogue.h"
#include "store/database.h"
#include "store/dberror.h"
#include "store/dbmessages.h"
#include "store/dialect.h"

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

sqlite3 *engineHandle(Database &db)
{
    sqlite3 *handle = db.engine();
    if (!handle)
        throw DbError(u"数据库连接不是 SQLite 连接，无法导入。"_s);
    return handle;
}

sqlite3_stmt *prepared(sqlite3 *handle, const QString &statement, const QString &path)
{
    sqlite3_stmt *stmt = nullptr;
    const QByteArray sql = toSqlite(statement).toUtf8();
    if (sqlite3_prepare_v2(handle, sql.constData(), static_cast<int>(sql.size()), &stmt, nullptr) != SQLITE_OK) {
        throw DbError(
            DbMessages::forResultCode(sqlite3_errcode(handle), QString::fromUtf8(sqlite3_errmsg(handle)), path));
    }
    return stmt;
}

} // namespace

EmployeeBulkInsert::EmployeeBulkInsert(Database &db) : m_db(db) {}

EmployeeBulkInsert::~EmployeeBulkInsert()
{
    // Finalised while its connection is still the one it was prepared on.
    if (m_stmt && m_generation == m_db.generation() && m_db.isOpen())
        sqlite3_finalize(m_stmt);
}

void EmployeeBulkInsert::prepare()
{
    // The generation alone is asked per row: looking the connection up takes
    // a lock and a search of Qt's connection list.
    if (m_stmt && m_generation == m_db.generation())
        return;
    m_db.ensureOpen();
    // A connection opened anew has closed the old handle, and the statement
    // with it: there is nothing left to finalise.
    m_stmt = nullptr;
    m_handle = engineHandle(m_db);
    m_stmt = prepared(m_handle, Catalogue::InsertEmployee, m_db.path());
    m_generation = m_db.generation();
}

void EmployeeBulkInsert::insert(std::string_view code, std::string_view name, std::string_view factory,
                                std::string_view department)
{
    prepare();
    const auto bind = [this](int index, std::string_view value) {
        // Empty text stays text (a null pointer would bind NULL).
        const char *data = value.data() ? value.data() : "";
        return sqlite3_bind_text(m_stmt, index, data, static_cast<int>(value.size()), SQLITE_STATIC);
    };
    int rc = bind(1, code);
    if (rc == SQLITE_OK)
        rc = bind(2, name);
    if (rc == SQLITE_OK)
        rc = bind(3, factory);
    if (rc == SQLITE_OK)
        rc = bind(4, department);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(m_stmt);
    // Reset at once: no statement stays active when the batch commits. The
    // bound values (owned by the caller) are not looked at again: every step
    // binds all four anew first.
    sqlite3_reset(m_stmt);
    if (rc != SQLITE_DONE)
        fail(rc);
}

void EmployeeBulkInsert::fail(int rc)
{
    const QString engine = QString::fromUtf8(sqlite3_errmsg(m_handle));
    throw DbError(
        DbMessages::forResultCode(rc == SQLITE_OK ? sqlite3_extended_errcode(m_handle) : rc, engine, m_db.path()));
}
