#include "admin/drawrecordsheet.h"

#include "sheets/worksheetwriter.h"
#include "store/catalogue.h"
#include "store/database.h"
#include "store/dberror.h"
#include "store/rowreaders.h"

#include <QSqlError>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

void drawRecordCells(const DrawRecord &r, std::vector<SheetCell> &cells)
{
    cells = {double(r.RecNo), r.sWhen,   r.sEvent, r.sTime != 0 ? SheetCell(double(r.sTime)) : SheetCell(),
             r.sItemName,     r.sAwards, r.sNo,    r.sName,
             r.sCompCode,     r.sHow,    r.sScope};
}

class RecordRows : public SheetRows {
public:
    explicit RecordRows(Database &db) : m_db(db) {}
    std::size_t count() override { return static_cast<std::size_t>(m_db.scalar(Catalogue::CountDrawLog).toLongLong()); }
    bool next(std::vector<SheetCell> &cells) override
    {
        if (!m_query) {
            m_query = m_db.exec(Catalogue::DrawLogByRecNo);
            m_rows.emplace(*m_query);
        }
        if (!m_rows->next(m_record)) {
            // A failed read throws rather than ending the record early.
            if (m_query->lastError().isValid())
                throw DbError(m_db.describe(m_query->lastError()));
            return false;
        }
        drawRecordCells(m_record, cells);
        return true;
    }

private:
    Database &m_db;
    std::optional<QSqlQuery> m_query;
    std::optional<DrawRecordRows> m_rows;
    DrawRecord m_record;
};

} // namespace

Worksheet drawRecordSheet()
{
    Worksheet sheet;
    sheet.name = u"抽奖记录"_s;
    sheet.fontName = u"微软雅黑"_s;
    // Eleven columns: a smaller face than the winners list, so a page holds a row.
    sheet.fontPx = 16;
    sheet.rowHeightPx = 24;
    sheet.columns = {{u"序号"_s, 50, true},      {u"时间"_s, 170, true},     {u"事件"_s, 60, true},
                     {u"奖项编号"_s, 80, true},  {u"奖项"_s, 120, true},     {u"奖品"_s, 140, true},
                     {u"中奖号码"_s, 110, true}, {u"姓名"_s, 90, true},      {u"工厂名称"_s, 120, false},
                     {u"方式"_s, 60, true},      {u"抽奖范围"_s, 160, false}};
    return sheet;
}

void saveDrawRecord(const QString &path, Database &db)
{
    RecordRows rows(db);
    writeWorksheetFile(path, drawRecordSheet(), rows);
}
