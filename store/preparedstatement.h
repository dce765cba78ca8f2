#pragma once
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <optional>

class Database;

// A statement of the catalogue prepared once and run many times with new
// values, for the hot paths (the draw, the roster import) where preparing anew
// each time would cost more than running it. Throws DbError like Database::exec.
class PreparedStatement {
public:
    PreparedStatement(Database &db, QString statement);
    // Runs the statement; the query is positioned before its first row. Call
    // finish() after reading so that no read stays open.
    QSqlQuery &run(const QVariantList &values);
    void finish();
    // Runs a statement that returns no rows (an insert, update or delete).
    void exec(const QVariantList &values);

private:
    Database &m_db;
    QString m_statement;
    std::optional<QSqlQuery> m_query;
    int m_generation = 0;
};
