#pragma once
#include <QString>

class QSqlError;

// The operator's words for every way the database file can fail: each names
// the file and says what to do, instead of the engine's English text.
namespace DbMessages {
QString missing(const QString &path);
QString empty(const QString &path);
QString notADatabase(const QString &path);
QString damaged(const QString &path);
QString tableMissing(const QString &path, const QString &table);
QString fieldMissing(const QString &path, const QString &table, const QString &field);
// `what` says what the file holds that ours does not, or lacks (schemaMismatch).
QString foreignSchema(const QString &path, const QString &what);
QString leftoverInTheWay(const QString &path, const QString &leftover);
// Notices at start: the file is used, but the operator must know.
QString readOnlyFile(const QString &path);
QString readOnlyFolder(const QString &path);
QString leftoverSetAside(const QString &path, const QString &leftover, const QString &newName);
// A start press or a screen after a failed start.
QString unusable(const QString &reason);

// A failed statement: the engine's result code decides the words. Errors that
// are about a value (too long, not an integer) keep the engine's text, which
// names the field.
QString forEngineError(const QSqlError &error, const QString &path);
QString forResultCode(int code, const QString &engineText, const QString &path);
} // namespace DbMessages
