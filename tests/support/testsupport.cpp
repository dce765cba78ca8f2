#include "testsupport.h"

#include <csignal>
#include <sys/resource.h>

#include "store/schema.h"

#include <QSqlQuery>
#include <QSqlRecord>
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

QString databaseDump(const QString &path, const QStringList &leaveOut)
{
    return dumpTables(path, [&leaveOut](const QString &table) { return !leaveOut.contains(table); });
}

QString tableDump(const QString &path, const QString &table)
{
    return dumpTables(path, [&table](const QString &name) { return name == table; });
}

QString dumpTables(const QString &path, const std::function<bool(const QString &)> &wanted)
{
    static int counter = 0;
    const QString name = u"dump-%1"_s.arg(++counter);
    QString dump;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        db.setDatabaseName(path);
        db.setConnectOptions(u"QSQLITE_OPEN_READONLY"_s);
        if (!db.open())
            throw std::runtime_error("cannot open " + path.toStdString());
        QSqlQuery tables(db);
        tables.exec(
            u"select name from sqlite_master where type = 'table' and name <> 'sqlite_sequence' order by name"_s);
        QStringList names;
        while (tables.next())
            names << tables.value(0).toString();
        for (const QString &table : names) {
            if (!wanted(table))
                continue;
            dump += table + u":\n"_s;
            QSqlQuery rows(db);
            rows.exec(u"select * from "_s + table + u" order by RecNo"_s);
            while (rows.next()) {
                for (int c = 0; c < rows.record().count(); ++c)
                    dump += rows.value(c).toString() + u'|';
                dump += u'\n';
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    return dump;
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
    clockMs += ms;
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

FileSizeLimit::FileSizeLimit(qint64 bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit now{};
    getrlimit(RLIMIT_FSIZE, &now);
    m_before = static_cast<qint64>(now.rlim_cur);
    now.rlim_cur = static_cast<rlim_t>(bytes);
    setrlimit(RLIMIT_FSIZE, &now);
}

FileSizeLimit::~FileSizeLimit()
{
    rlimit now{};
    getrlimit(RLIMIT_FSIZE, &now);
    now.rlim_cur = static_cast<rlim_t>(m_before);
    setrlimit(RLIMIT_FSIZE, &now);
}
