#include "testsupport.h"

#include "store/schema.h"

#include <QFileInfo>
#include <QSqlQuery>
#include <stdexcept>

using namespace Qt::StringLiterals;

TempDb::TempDb()
{
    const QString error = createEmptyDatabase(path());
    if (!error.isEmpty())
        throw std::runtime_error(error.toStdString());
    static int counter = 0;
    m_db = std::make_unique<Database>(u"test-%1"_s.arg(++counter));
    const QString openError = m_db->open(path());
    if (!openError.isEmpty())
        throw std::runtime_error(openError.toStdString());
}

QString TempDb::folder() const { return m_dir.path() + u'/'; }

void TempDb::exec(const QString &sql, const QVariantList &values) { m_db->exec(sql, values); }

QVariant TempDb::scalar(const QString &sql, const QVariantList &values) { return m_db->scalar(sql, values); }

void TempDb::addEmployee(const QString &code, const QString &name, const QString &factory, const QString &dept)
{
    exec(u"insert into EmpNo(EmpCode, EmpName, CompCode, DartNo) values(?,?,?,?)"_s, {code, name, factory, dept});
}

int TempDb::addItem(int iSeq, const QString &name, const QString &awards, int sum, int per, int excNum, bool isExec)
{
    exec(u"insert into AwardItem(iSeq, ItemName, Awards, SumNumber, iNumber, IsExec, ExcNum) values(?,?,?,?,?,?,?)"_s,
         {iSeq, name, awards, sum, per, isExec ? 1 : 0, excNum});
    return scalar(u"select max(RecNo) from AwardItem"_s).toInt();
}

void ScriptedDialogs::notify(QWidget *, const QString &text, const QString &caption, Icon icon)
{
    calls.push_back({u"notify"_s, text, caption, icon, Buttons::Ok});
}

bool ScriptedDialogs::ask(QWidget *, const QString &text, const QString &caption, Icon icon, Buttons buttons)
{
    calls.push_back({u"ask"_s, text, caption, icon, buttons});
    if (askAnswers.empty())
        return true;
    const bool answer = askAnswers.front();
    askAnswers.pop_front();
    return answer;
}

QString ScriptedDialogs::inputText(QWidget *, const QString &caption, const QString &prompt, bool masked)
{
    calls.push_back({u"input"_s, prompt, caption, masked ? Icon::Warning : Icon::None, Buttons::OkCancel});
    if (inputAnswers.empty())
        return {};
    const QString answer = inputAnswers.front();
    inputAnswers.pop_front();
    return answer;
}

QString ScriptedDialogs::openFileName(QWidget *, const QString &filter)
{
    calls.push_back({u"open"_s, filter, {}, Icon::None, Buttons::OkCancel});
    if (fileAnswers.empty())
        return {};
    const QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

QString ScriptedDialogs::saveFileName(QWidget *, const QString &filter, const QString &suffix)
{
    calls.push_back({u"save"_s, filter, suffix, Icon::None, Buttons::OkCancel});
    if (fileAnswers.empty())
        return {};
    QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    if (!answer.isEmpty() && QFileInfo(answer).suffix().isEmpty() && !suffix.isEmpty())
        answer += u'.' + suffix;
    return answer;
}

// Without widgets the screen cannot be named; ScreenDialogs records its class
// and title.
int ScriptedDialogs::runModal(QDialog &dialog)
{
    calls.push_back({u"modal"_s, {}, {}, Icon::None, Buttons::Ok});
    return onModal ? onModal(dialog) : 0;
}

void ScriptedDialogs::reportError(const QString &text)
{
    calls.push_back({u"error"_s, errorReportText(text), applicationTitle(), Icon::Error, Buttons::Ok});
}

QStringList ScriptedDialogs::texts(const QString &kind) const
{
    QStringList out;
    for (const Call &c : calls) {
        if (c.kind == kind)
            out << c.text;
    }
    return out;
}

void FakePacer::pump()
{
    ++pumps;
    if (onPump)
        onPump(pumps);
}

void FakePacer::pause(int ms)
{
    pausedMs += ms;
    pauses.push_back(ms);
}

int ScriptedRandom::position(int n)
{
    if (n <= 0)
        return 0;
    if (positions.empty())
        return 0;
    const int p = positions[next % positions.size()];
    ++next;
    return ((p % n) + n) % n;
}
