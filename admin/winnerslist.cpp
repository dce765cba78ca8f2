#include "admin/winnerslist.h"

#include "sheets/worksheetwriter.h"
#include "store/catalogue.h"
#include "store/database.h"
#include "store/dberror.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// The rows of the list's query, one at a time.
class WinnersQuery {
public:
    explicit WinnersQuery(Database &db) : m_db(db), m_query(db.exec(Catalogue::WinnersWithItems))
    {
        const QSqlRecord rec = m_query.record();
        m_sNo = rec.indexOf(u"sNo"_s);
        m_sName = rec.indexOf(u"sName"_s);
        m_itemName = rec.indexOf(u"ItemName"_s);
        m_awards = rec.indexOf(u"Awards"_s);
        m_compCode = rec.indexOf(u"sCompCode"_s);
        m_recNo = rec.indexOf(u"RecNo"_s);
    }

    // False after the last row; a failed read throws rather than ending the
    // list early.
    bool next(ListedWinner &w)
    {
        if (!m_query.next()) {
            if (m_query.lastError().isValid())
                throw DbError(m_db.describe(m_query.lastError()));
            return false;
        }
        w = {m_query.value(m_sNo).toString(),      m_query.value(m_sName).toString(),
             m_query.value(m_itemName).toString(), m_query.value(m_awards).toString(),
             m_query.value(m_compCode).toString(), m_query.value(m_recNo).toInt()};
        return true;
    }

private:
    Database &m_db;
    QSqlQuery m_query;
    int m_sNo, m_sName, m_itemName, m_awards, m_compCode, m_recNo;
};

void fillCells(const ListedWinner &w, std::vector<SheetCell> &cells)
{
    const auto &columns = winnersListColumns();
    for (size_t c = 0; c < columns.size(); ++c)
        cells[c] = w.*columns[c].field;
}

class HeldRows : public SheetRows {
public:
    explicit HeldRows(const std::vector<ListedWinner> &rows) : m_rows(rows) {}
    std::size_t count() override { return m_rows.size(); }
    bool next(std::vector<SheetCell> &cells) override
    {
        if (m_next == m_rows.size())
            return false;
        fillCells(m_rows[m_next++], cells);
        return true;
    }

private:
    const std::vector<ListedWinner> &m_rows;
    std::size_t m_next = 0;
};

class QueriedRows : public SheetRows {
public:
    explicit QueriedRows(Database &db) : m_db(db) {}
    std::size_t count() override
    {
        return static_cast<std::size_t>(m_db.scalar(Catalogue::CountWinnersWithItems).toLongLong());
    }
    bool next(std::vector<SheetCell> &cells) override
    {
        if (!m_query)
            m_query.emplace(m_db);
        if (!m_query->next(m_row))
            return false;
        fillCells(m_row, cells);
        return true;
    }

private:
    Database &m_db;
    std::optional<WinnersQuery> m_query;
    ListedWinner m_row;
};

} // namespace

QString winnerDescription(const ListedWinner &w)
{
    const QString item = w.Awards.isEmpty() ? w.ItemName : w.ItemName + u"（"_s + w.Awards + u"）"_s;
    return item + u"："_s + QStringList{w.sCompCode, w.sNo, w.sName}.join(u' ').simplified();
}

std::vector<ListedWinner> loadWinnersList(Database &db)
{
    WinnersQuery query(db);
    std::vector<ListedWinner> rows;
    for (ListedWinner w; query.next(w);)
        rows.push_back(w);
    return rows;
}

const std::vector<WinnersListColumn> &winnersListColumns()
{
    static const std::vector<WinnersListColumn> columns{
        {u"工厂名称", 125, false, &ListedWinner::sCompCode}, {u"中奖号码", 171, true, &ListedWinner::sNo},
        {u"姓名", 171, true, &ListedWinner::sName},          {u"奖项", 171, true, &ListedWinner::ItemName},
        {u"奖品", 173, true, &ListedWinner::Awards},
    };
    return columns;
}

Worksheet winnersSheet()
{
    Worksheet sheet;
    sheet.name = u"中奖名单"_s;
    sheet.fontName = u"微软雅黑"_s;
    sheet.fontPx = 27;
    sheet.rowHeightPx = 42;
    for (const WinnersListColumn &c : winnersListColumns())
        sheet.columns.push_back({QString::fromUtf16(c.header), c.widthPx, c.centred});
    return sheet;
}

void saveWinnersList(const QString &path, const std::vector<ListedWinner> &winners)
{
    HeldRows rows(winners);
    writeWorksheetFile(path, winnersSheet(), rows);
}

void saveWinnersList(const QString &path, Database &db)
{
    QueriedRows rows(db);
    writeWorksheetFile(path, winnersSheet(), rows);
}
