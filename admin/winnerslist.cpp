#include "admin/winnerslist.h"

#include "store/catalogue.h"
#include "store/database.h"

#include <QSqlQuery>
#include <QSqlRecord>

using namespace Qt::StringLiterals;

std::vector<ListedWinner> loadWinnersList(Database &db)
{
    QSqlQuery q = db.exec(Catalogue::WinnersWithItems);
    const QSqlRecord rec = q.record();
    const int sNo = rec.indexOf(u"sNo"_s);
    const int sName = rec.indexOf(u"sName"_s);
    const int itemName = rec.indexOf(u"ItemName"_s);
    const int awards = rec.indexOf(u"Awards"_s);
    const int compCode = rec.indexOf(u"sCompCode"_s);
    const int recNo = rec.indexOf(u"RecNo"_s);
    std::vector<ListedWinner> rows;
    while (q.next()) {
        rows.push_back({q.value(sNo).toString(), q.value(sName).toString(), q.value(itemName).toString(),
                        q.value(awards).toString(), q.value(compCode).toString(), q.value(recNo).toInt()});
    }
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

Worksheet winnersWorksheet(const std::vector<ListedWinner> &winners)
{
    Worksheet sheet;
    sheet.name = u"中奖名单"_s;
    sheet.fontName = u"微软雅黑"_s;
    sheet.fontPx = 27;
    sheet.rowHeightPx = 42;
    for (const WinnersListColumn &c : winnersListColumns())
        sheet.columns.push_back({QString::fromUtf16(c.header), c.widthPx, c.centred});
    sheet.rows.reserve(winners.size());
    for (const ListedWinner &w : winners) {
        QStringList row;
        for (const WinnersListColumn &c : winnersListColumns())
            row << w.*c.field;
        sheet.rows.push_back(std::move(row));
    }
    return sheet;
}
