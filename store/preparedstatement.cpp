#include "store/preparedstatement.h"

#include "store/database.h"
#include "store/dberror.h"
#include "store/dialect.h"

#include <QSqlError>

PreparedStatement::PreparedStatement(Database &db, QString statement) : m_db(db), m_statement(std::move(statement)) {}

QSqlQuery &PreparedStatement::run(const QVariantList &values)
{
    m_db.ensureOpen();
    // A statement prepared on an earlier connection is prepared again; a
    // statement that fails on a sound connection is not run twice, so a
    // locked file costs the busy timeout once.
    if (m_query && m_generation != m_db.generation())
        m_query.reset();
    if (!m_query) {
        m_query.emplace(m_db.handle());
        m_query->setForwardOnly(true);
        if (!m_query->prepare(toSqlite(m_statement))) {
            const QString error = m_db.describe(m_query->lastError());
            m_query.reset();
            throw DbError(error);
        }
        m_generation = m_db.generation();
    }
    for (qsizetype i = 0; i < values.size(); ++i)
        m_query->bindValue(static_cast<int>(i), bindable(values[i]));
    if (m_query->exec())
        return *m_query;
    const QString error = m_db.describe(m_query->lastError());
    m_query->finish();
    throw DbError(error);
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
