#include "base/dialogs.h"

#include "base/errors.h"

using namespace Qt::StringLiterals;

QString applicationTitle() { return u"员工抽奖系统"_s; }

void runReported(Dialogs &dialogs, QWidget *owner, const std::function<void()> &step)
{
    try {
        step();
    } catch (const AppError &e) {
        dialogs.reportError(owner, e.text());
    } catch (const std::exception &e) {
        dialogs.reportError(owner, QString::fromLocal8Bit(e.what()));
    }
}

QString errorReportText(const QString &text)
{
    // Chinese sentences end in their own full stop (or mark), which sorts
    // after '.' but needs no second one.
    static const QString ownEnds = u"。！？…"_s;
    if (!text.isEmpty() && text.back() > u'.' && !ownEnds.contains(text.back()))
        return text + u'.';
    return text;
}
