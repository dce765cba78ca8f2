#include "admin/rosterimport.h"

#include "sheets/rosterreader.h"
#include "base/pacer.h"
#include "store/catalogue.h"
#include "store/database.h"
#include "store/dberror.h"
#include "store/preparedstatement.h"

#include <QElapsedTimer>
#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// An empty cell is stored as empty text, as the spreadsheet handed it over,
// not as a missing value; NUL characters would cut the text short.
QString storedText(const QString &cell)
{
    if (cell.isNull())
        return QString::fromLatin1("");
    if (cell.contains(QChar(0)))
        return QString(cell).remove(QChar(0));
    return cell;
}

struct RosterRow {
    QString factory, department, name, code;
};

// The engine names the field whose check failed; the operator gets its caption.
QString refusalReason(const QString &engineText, const RosterRow &row)
{
    if (engineText.contains(u"CHECK constraint failed"_s)) {
        const struct {
            const char16_t *field;
            const char16_t *caption;
            const QString &value;
        } fields[] = {{u"EmpCode", u"工号", row.code},
                      {u"EmpName", u"姓名", row.name},
                      {u"CompCode", u"工厂名称", row.factory},
                      {u"DartNo", u"部门", row.department}};
        for (const auto &f : fields) {
            if (engineText.contains(QString::fromUtf16(f.field)))
                return u"%1过长(%2个字符)，数据库不接受"_s.arg(QString::fromUtf16(f.caption)).arg(f.value.size());
        }
    }
    if (engineText.contains(u"disk is full"_s) || engineText.contains(u"已满"_s))
        return u"磁盘已满，数据库无法再写入，请腾出磁盘空间后再导入其余的行"_s;
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

namespace {

// Inserts the rows the reader hands on.
class ImportSink : public RosterSink {
public:
    ImportSink(RosterImport &import, Database &db, Pacer &pacer, RosterImport::Result &result)
        : m_import(import), m_db(db), m_pacer(pacer), m_result(result)
    {}

    bool row(int number, const RosterCells &cells) override
    {
        if (m_import.stopRequested && m_import.stopRequested()) {
            m_result.outcome = RosterImport::Outcome::Stopped;
            return false;
        }
        if (number == 1 || m_rowsSincePump >= m_import.pumpEveryRows || dueByTime()) {
            // A stop asked for now takes effect before the next row: this one
            // is already under way.
            if (!pump(false))
                return false;
        }
        ++m_rowsSincePump;
        ++m_rowsSinceIdle;
        const RosterRow r{storedText(cells[0]), storedText(cells[1]), storedText(cells[2]), storedText(cells[3])};
        if (m_import.onRow)
            m_import.onRow(number, RosterImport::statusText(number, r.code, r.name), number % 100);
        try {
            if (!m_batch) {
                m_batch.emplace(m_db);
                m_batchStart = number;
            }
            if (!m_insert)
                m_insert.emplace(m_db, Catalogue::InsertEmployee);
            m_insert->exec({r.code, r.name, r.factory, r.department});
        } catch (const DbError &error) {
            // The refused row changes nothing; the rows before it stay.
            fail(number, refusalReason(error.text(), r));
            if (commit())
                m_result.imported = m_committed;
            return false;
        }
        ++m_pending;
        return true;
    }

    // While rows flow, row() lets events through; this is for the stretches
    // without rows: a file being checked, unpacked or scanned for its encoding.
    bool idle() override
    {
        const bool rowsCame = m_rowsSinceIdle > 0;
        m_rowsSinceIdle = 0;
        if (rowsCame || !dueByTime())
            return true;
        return pump(true);
    }

    // Commits what is pending; false (with the failure noted) when the
    // database refuses, which undoes the whole batch.
    bool commit()
    {
        if (!m_batch)
            return true;
        try {
            m_batch->commit();
        } catch (const DbError &error) {
            // The whole batch is undone (a full disk also undoes it by
            // itself, at the failing row): its first row is the first lost.
            m_batch.reset();
            fail(m_batchStart, failed() ? m_result.reason : refusalReason(error.text(), {}));
            m_pending = 0;
            return false;
        }
        m_batch.reset();
        m_committed += m_pending;
        m_pending = 0;
        return true;
    }
    bool failed() const { return m_result.outcome == RosterImport::Outcome::Failed; }
    int committed() const { return m_committed; }

private:
    bool dueByTime() const { return !m_sincePump.isValid() || m_sincePump.elapsed() >= m_pumpGapMs; }

    bool pump(bool betweenRows)
    {
        // Nothing stays uncommitted while other commands may run.
        QElapsedTimer committing;
        committing.start();
        if (!commit())
            return false;
        const qint64 every = m_import.pumpEveryMs;
        m_pumpGapMs = std::clamp(20 * committing.elapsed(), every, 4 * every);
        if (m_import.beforePump)
            m_import.beforePump();
        m_pacer.pump();
        m_sincePump.start();
        m_rowsSincePump = 0;
        if (betweenRows && m_import.stopRequested && m_import.stopRequested()) {
            m_result.outcome = RosterImport::Outcome::Stopped;
            return false;
        }
        return true;
    }
    void fail(int row, const QString &reason)
    {
        m_result.outcome = RosterImport::Outcome::Failed;
        m_result.failedRow = row;
        m_result.reason = reason;
    }

    RosterImport &m_import;
    Database &m_db;
    Pacer &m_pacer;
    RosterImport::Result &m_result;
    std::optional<Transaction> m_batch;
    std::optional<PreparedStatement> m_insert;
    QElapsedTimer m_sincePump;
    qint64 m_pumpGapMs = 0;
    int m_rowsSincePump = 0, m_rowsSinceIdle = 0;
    int m_batchStart = 0, m_pending = 0, m_committed = 0;
};

} // namespace

RosterImport::Result RosterImport::run(RosterReader &reader)
{
    Result result;
    ImportSink sink(*this, m_db, m_pacer, result);
    try {
        reader.read(sink);
    } catch (...) {
        sink.commit(); // rows stored before a read failure stay, as after any other stop
        throw;
    }
    sink.commit();
    result.imported = sink.committed();
    return result;
}
