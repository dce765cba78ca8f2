#include "store/preparedstatement.h"

#include "store/database.h"
#include "store/dberror.h"
#include "store/dialect.h"

#include <QSqlError>

PreparedStatement::PreparedStatement(Database &db, QString statement) : m_db(db), m_statement(std::move(statement)) {}

QSqlQuery &PreparedStatement::run(const QVariantList &values)
{
    m_db.ensureOpen();
    // A second attempt on a freshly prepared statement: the connection may
    // have been closed and opened again since the statement was prepared.
    for (int attempt = 0;; ++attempt) {
        if (!m_query) {
            m_query.emplace(m_db.handle());
            m_query->setForwardOnly(true);
            if (!m_query->prepare(toSqlite(m_statement))) {
                const QString error = engineErrorText(m_query->lastError());
                m_query.reset();
                throw DbError(error);
            }
        }
        for (qsizetype i = 0; i < values.size(); ++i)
            m_query->bindValue(static_cast<int>(i), values[i]);
        if (m_query->exec())
            return *m_query;
        const QString error = engineErrorText(m_query->lastError());
        m_query.reset();
        if (attempt > 0)
            throw DbError(error);
    }
}

void PreparedStatement::finish()
{
    if (m_query)
        m_query->finish();
}

void PreparedStatement::exec(const QVariantList &values)
{
    run(values);
    finish();
}
