#pragma once
#include <QString>
#include <string_view>

class Database;
struct sqlite3;
struct sqlite3_stmt;

// The roster import's insert, on the engine's own interface: a roster of a
// million rows goes in at the engine's pace only when the values reach it
// as UTF-8 straight from the caller, without the generic query layer's
// per-value conversions. Every value is bound, never joined into the text.
class EmployeeBulkInsert {
public:
    explicit EmployeeBulkInsert(Database &db);
    ~EmployeeBulkInsert();
    EmployeeBulkInsert(const EmployeeBulkInsert &) = delete;
    EmployeeBulkInsert &operator=(const EmployeeBulkInsert &) = delete;

    // One roster row, the values as UTF-8. Throws DbError whose text is the
    // operator's message, or the engine's own where it names the field whose
    // check failed.
    void insert(std::string_view code, std::string_view name, std::string_view factory, std::string_view department);

private:
    void prepare();
    [[noreturn]] void fail(int rc);

    Database &m_db;
    sqlite3 *m_handle = nullptr;
    sqlite3_stmt *m_stmt = nullptr;
    int m_generation = -1;
};
