#include "store/dialect.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

QString toSqlite(const QString &statement)
{
    static const QRegularExpression top(u"^(\\s*select\\s+)top\\s+(\\d+)\\s+"_s, QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = top.match(statement);
    if (!m.hasMatch())
        return statement;
    QString out = statement;
    out.replace(m.capturedStart(), m.capturedLength(), m.captured(1));
    return out.trimmed() + u" limit "_s + m.captured(2);
}
