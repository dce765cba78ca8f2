#include "admin/drawrecordsheet.h"

using namespace Qt::StringLiterals;

Worksheet drawRecordWorksheet(const std::vector<DrawRecord> &records)
{
    Worksheet sheet;
    sheet.name = u"抽奖记录"_s;
    sheet.fontName = u"微软雅黑"_s;
    // Ten columns: a smaller face than the winners list, so a page holds a row.
    sheet.fontPx = 16;
    sheet.rowHeightPx = 24;
    sheet.columns = {{u"序号"_s, 50, true},      {u"时间"_s, 170, true}, {u"事件"_s, 60, true},
                     {u"奖项编号"_s, 80, true},  {u"奖项"_s, 120, true}, {u"奖品"_s, 140, true},
                     {u"中奖号码"_s, 110, true}, {u"姓名"_s, 90, true},  {u"工厂名称"_s, 120, false},
                     {u"方式"_s, 60, true}};
    sheet.rows.reserve(records.size());
    for (const DrawRecord &r : records) {
        sheet.rows.push_back({QString::number(r.RecNo), r.sWhen, r.sEvent,
                              r.sTime != 0 ? QString::number(r.sTime) : QString(), r.sItemName, r.sAwards, r.sNo,
                              r.sName, r.sCompCode, r.sHow});
    }
    return sheet;
}
