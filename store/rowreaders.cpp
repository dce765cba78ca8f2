#include "store/rowreaders.h"

#include <QSqlRecord>

using namespace Qt::StringLiterals;

namespace {

// Column positions looked up once per query, then read per row.
struct Columns {
    explicit Columns(const QSqlRecord &record) : rec(record) {}
    int operator()(const char *name) const { return rec.indexOf(QLatin1String(name)); }
    QSqlRecord rec;
};

QString str(const QSqlQuery &q, int col) { return col < 0 ? QString() : q.value(col).toString(); }
int num(const QSqlQuery &q, int col) { return col < 0 ? 0 : q.value(col).toInt(); }
bool flag(const QSqlQuery &q, int col) { return col >= 0 && q.value(col).toInt() != 0; }

} // namespace

std::vector<Employee> readEmployees(QSqlQuery &q)
{
    const Columns c(q.record());
    const int recNo = c("RecNo"), code = c("EmpCode"), name = c("EmpName"), comp = c("CompCode"), dept = c("DartNo");
    std::vector<Employee> rows;
    while (q.next())
        rows.push_back({num(q, recNo), str(q, code), str(q, name), str(q, comp), str(q, dept)});
    return rows;
}

std::vector<PrizeItem> readPrizeItems(QSqlQuery &q)
{
    const Columns c(q.record());
    const int recNo = c("RecNo"), seq = c("iSeq"), name = c("ItemName"), awards = c("Awards"), sum = c("SumNumber"),
              per = c("iNumber"), exec = c("IsExec"), exc = c("ExcNum");
    std::vector<PrizeItem> rows;
    while (q.next()) {
        rows.push_back({num(q, recNo), num(q, seq), str(q, name), str(q, awards), num(q, sum), num(q, per),
                        flag(q, exec), num(q, exc)});
    }
    return rows;
}

std::vector<Designation> readDesignations(QSqlQuery &q)
{
    const Columns c(q.record());
    const int recNo = c("RecNo"), no = c("sNo"), name = c("sName"), time = c("sTime"), checked = c("Checked"),
              comp = c("sCompCode");
    std::vector<Designation> rows;
    while (q.next())
        rows.push_back({num(q, recNo), str(q, no), str(q, name), num(q, time), flag(q, checked), str(q, comp)});
    return rows;
}

std::vector<Exclusion> readExclusions(QSqlQuery &q)
{
    const Columns c(q.record());
    const int recNo = c("RecNo"), no = c("sNo"), name = c("sName"), comp = c("sCompCode");
    std::vector<Exclusion> rows;
    while (q.next())
        rows.push_back({num(q, recNo), str(q, no), str(q, name), str(q, comp)});
    return rows;
}

std::vector<Winner> readWinners(QSqlQuery &q)
{
    const Columns c(q.record());
    const int recNo = c("RecNo"), no = c("sNo"), name = c("sName"), time = c("sTime"), comp = c("sCompCode");
    std::vector<Winner> rows;
    while (q.next())
        rows.push_back({num(q, recNo), str(q, no), str(q, name), num(q, time), str(q, comp)});
    return rows;
}

DrawRecordRows::DrawRecordRows(QSqlQuery &q) : m_query(q)
{
    const Columns c(q.record());
    m_recNo = c("RecNo");
    m_when = c("sWhen");
    m_event = c("sEvent");
    m_time = c("sTime");
    m_item = c("sItemName");
    m_awards = c("sAwards");
    m_no = c("sNo");
    m_name = c("sName");
    m_comp = c("sCompCode");
    m_how = c("sHow");
    m_scope = c("sScope");
}

bool DrawRecordRows::next(DrawRecord &r)
{
    const QSqlQuery &q = m_query;
    if (!m_query.next())
        return false;
    r = {num(q, m_recNo), str(q, m_when), str(q, m_event), num(q, m_time), str(q, m_item), str(q, m_awards),
         str(q, m_no),    str(q, m_name), str(q, m_comp),  str(q, m_how),  str(q, m_scope)};
    return true;
}

std::vector<DrawRecord> readDrawRecords(QSqlQuery &q)
{
    DrawRecordRows reader(q);
    std::vector<DrawRecord> rows;
    for (DrawRecord r; reader.next(r);)
        rows.push_back(r);
    return rows;
}
