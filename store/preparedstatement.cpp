#include "store/preparedstatement.h"

#include "store/database.h"
#include "store/dberror.h"
#include "store/dialect.h"

#include <QSqlError>

PreparedStatement::PreparedStatement(Database &db, const QString &statement)
{
    db.ensureOpen();
    m_query = QSqlQuery(db.handle());
    m_query.setForwardOnly(true);
    if (!m_query.prepare(toSqlite(statement)))
        throw DbError(engineErrorText(m_query.lastError()));
}

void PreparedStatement::exec(const QVariantList &values)
{
    for (qsizetype i = 0; i < values.size(); ++i)
        m_query.bindValue(static_cast<int>(i), values[i]);
    const bool ok = m_query.exec();
    m_query.finish();
    if (!ok)
        throw DbError(engineErrorText(m_query.lastError()));
}
