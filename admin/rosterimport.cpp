#include "admin/rosterimport.h"

#include "sheets/rosterreader.h"
#include "base/pacer.h"
#include "store/catalogue.h"
#include "store/database.h"
#include "store/dberror.h"
#include "store/preparedstatement.h"

#include <QElapsedTimer>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// An empty cell is stored as empty text, as the spreadsheet handed it over,
// not as a missing value.
QString cellText(const RosterReader &reader, int row, int column)
{
    QString text = reader.cell(row, column);
    return text.isNull() ? QString::fromLatin1("") : text;
}

struct RosterRow {
    QString factory, department, name, code;
};

// The engine names the field whose check failed; the operator gets its caption.
QString refusalReason(const QString &engineText, const RosterRow &row)
{
    if (engineText.contains(u"CHECK constraint failed"_s)) {
        const struct { const char16_t *field; const char16_t *caption; const QString &value; } fields[] = {
            {u"EmpCode", u"工号", row.code}, {u"EmpName", u"姓名", row.name},
            {u"CompCode", u"工厂名称", row.factory}, {u"DartNo", u"部门", row.department}};
        for (const auto &f : fields) {
            if (engineText.contains(QString::fromUtf16(f.field)))
                return u"%1过长(%2个字符)，数据库不接受"_s.arg(QString::fromUtf16(f.caption)).arg(f.value.size());
        }
    }
    return engineText;
}

} // namespace

QString RosterImport::Result::message() const
{
    if (outcome != Outcome::Failed)
        return {};
    return u"第%1行无法导入：%2。\n此前的%3行已导入。"_s.arg(failedRow).arg(reason).arg(imported);
}

QString RosterImport::statusText(int row, const QString &code, const QString &name)
{
    return u"正在导入：第["_s + QString::number(row) + u"]行，员工：["_s + code + u"]"_s + u"姓名:["_s + name + u"]"_s;
}

RosterImport::Result RosterImport::run(const RosterReader &reader)
{
    Result result;
    std::optional<Transaction> batch;
    std::optional<PreparedStatement> insert;
    QElapsedTimer sincePump;
    int rowsSincePump = 0;
    const auto commit = [&] {
        if (batch) {
            batch->commit();
            batch.reset();
        }
    };

    for (int row = 1;; ++row) {
        if (reader.cell(row, 1).isEmpty())
            break;
        if (stopRequested && stopRequested()) {
            result.outcome = Outcome::Stopped;
            break;
        }
        if (row == 1 || rowsSincePump >= pumpEveryRows || sincePump.elapsed() >= pumpEveryMs) {
            // Nothing stays uncommitted while other commands may run.
            commit();
            if (beforePump)
                beforePump();
            m_pacer.pump();
            sincePump.start();
            rowsSincePump = 0;
        }
        ++rowsSincePump;
        const RosterRow r{cellText(reader, row, 1), cellText(reader, row, 2), cellText(reader, row, 3), cellText(reader, row, 4)};
        if (onRow)
            onRow(row, statusText(row, r.code, r.name), row % 100);
        try {
            if (!batch)
                batch.emplace(m_db);
            if (!insert)
                insert.emplace(m_db, Catalogue::InsertEmployee);
            insert->exec({r.code, r.name, r.factory, r.department});
        } catch (const DbError &error) {
            // The refused row changes nothing; the rows before it stay.
            commit();
            result.outcome = Outcome::Failed;
            result.failedRow = row;
            result.reason = refusalReason(error.text(), r);
            return result;
        }
        ++result.imported;
    }
    commit();
    return result;
}
