#pragma once
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

class Database;

// One statement of the catalogue, prepared once and run many times with new
// bound values: for loops that write thousands of rows, where preparing the
// statement again for each row would cost more than running it.
class PreparedStatement {
public:
    // Throws DbError when the statement cannot be prepared.
    PreparedStatement(Database &db, const QString &statement);
    // Throws DbError when the engine refuses the values.
    void exec(const QVariantList &values);

private:
    QSqlQuery m_query;
};
