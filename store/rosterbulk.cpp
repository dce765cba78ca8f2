#include "store/rosterbulk.h"

#include "store/catalogue.h"
#include "store/database.h"
#include "store/dberror.h"
#include "store/dbmessages.h"
#include "store/dialect.h"

#include <QSqlDriver>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

const QLatin1String EmployeeKeys{"select EmpCode, CompCode from EmpNo"};

sqlite3 *engineHandle(Database &db)
{
    const QVariant v = db.handle().driver()->handle();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        throw DbError(u"数据库连接不是 SQLite 连接，无法导入。"_s);
    return *static_cast<sqlite3 *const *>(v.constData());
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

std::string_view columnUtf8(sqlite3_stmt *stmt, int col)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, col));
    return text ? std::string_view(text, static_cast<size_t>(sqlite3_column_bytes(stmt, col))) : std::string_view();
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
    // Reset at once: no statement stays active when the batch commits, and
    // the bound values (owned by the caller) are not looked at again.
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    if (rc != SQLITE_DONE)
        fail(rc);
}

void EmployeeBulkInsert::fail(int rc)
{
    const QString engine = QString::fromUtf8(sqlite3_errmsg(m_handle));
    throw DbError(
        DbMessages::forResultCode(rc == SQLITE_OK ? sqlite3_extended_errcode(m_handle) : rc, engine, m_db.path()));
}

void forEachEmployeeKey(Database &db, const std::function<void(std::string_view code, std::string_view factory)> &key)
{
    db.ensureOpen();
    sqlite3 *handle = engineHandle(db);
    sqlite3_stmt *stmt = prepared(handle, EmployeeKeys, db.path());
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
        key(columnUtf8(stmt, 0), columnUtf8(stmt, 1));
    const QString error = rc == SQLITE_DONE
                              ? QString()
                              : DbMessages::forResultCode(rc, QString::fromUtf8(sqlite3_errmsg(handle)), db.path());
    sqlite3_finalize(stmt);
    if (!error.isEmpty())
        throw DbError(error);
}
