#include "store/dialect.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

// Files written by other tools (or by older builds, whose new prize items had
// no counts) may hold NULL in a count; an item without winners is open, so a
// select's comparison reads NULL as 0 ("is null" keeps its meaning).
QString nullCountsAsZero(QString statement)
{
    static const QRegularExpression where(u"^\\s*select\\b.*?\\bwhere\\b"_s,
                                          QRegularExpression::CaseInsensitiveOption
                                              | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression count(u"(?<![\\w.\\[])(ExcNum|IsExec)(?=\\s*[<>=!])"_s,
                                          QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = where.match(statement);
    if (!m.hasMatch())
        return statement;
    QString condition = statement.mid(m.capturedEnd());
    condition.replace(count, u"ifnull(\\1,0)"_s);
    return statement.left(m.capturedEnd()) + condition;
}

} // namespace

QString toSqlite(const QString &statement)
{
    static const QRegularExpression top(u"^(\\s*select\\s+)top\\s+(\\d+)\\s+"_s,
                                        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = top.match(statement);
    if (!m.hasMatch())
        return nullCountsAsZero(statement);
    QString out = statement;
    out.replace(m.capturedStart(), m.capturedLength(), m.captured(1));
    return nullCountsAsZero(out.trimmed() + u" limit "_s + m.captured(2));
}
