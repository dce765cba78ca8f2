#pragma once
#include <QLatin1String>

// The statements the screens and the draw send, with the spacing and letter
// case they have always had. Where the classic text joined a value in ('" +
// code + "' or a bare number) a "?" stands, and the value is bound as a
// parameter, so a quote in a name can never change a statement. The
// statements of the list and settings stores sit beside the functions that
// send them (blankliststore.cpp, setupstore.cpp), those that build and probe
// the file in schema.cpp and database.cpp: all of them in store/.
namespace Catalogue {
using S = QLatin1String;

// EmpNo
inline const S EmpNoByRecNo{"select * from EmpNo order by RecNo"};
inline const S EmpNoByCode{"select * from EmpNo order by EmpCode"};
inline const S InsertEmployee{"insert into EmpNo([EmpCode],[EmpName],[CompCode],[DartNo]) values(?,?,?,?)"};
inline const S DeleteAllEmployees{"delete from EmpNo "};
inline const S CountEmployees{"select count(*) from EmpNo"};

// AwardItem
inline const S AwardItemByRecNo{"select * from AwardItem order by RecNo"};
inline const S AwardItemBySeq{"select * from AwardItem order by iSeq"};
inline const S OpenAwardItems{"select * from AwardItem where ExcNum <SumNumber order by iSeq"};
inline const S CurrentAwardItem{"select top 1 * from AwardItem where (ExcNum<SumNumber) and (RecNo = ?) order by iSeq"};
inline const S FirstUnexecutedItem{"select top 1 RecNo from AwardItem where IsExec = 0 order by iSeq"};
inline const S CountItems{"select count(*) from AwardItem"};
inline const S SetDrawnCount{"update AwardItem set ExcNum = ? where [RecNo]=?"};

// Award (designated winners)
inline const S AwardByRecNo{"select * from Award order by RecNo"};
inline const S AllAwards{"select * from Award "};
inline const S AwardListScreen{"select * from award order by RecNo"};
inline const S OpenDesignations{"select * from Award where Checked =0 and sTime =? order by RecNo"};
inline const S IsDesignated{"Select [sNo] from Award where [sNo]=? and [sCompCode] =? order by RecNo"};

// AwardBlank (excluded people)
inline const S AwardBlankByRecNo{"select * from AwardBlank order by RecNo"};
// Changes by this connection and by others: equal stamps mean that no table
// has changed in between.
inline const S ChangeStamp{"select total_changes(), (select data_version from pragma_data_version)"};

// AwardList (winners)
inline const S AwardListByRecNo{"select * from AwardList order by RecNo"};
inline const S DeleteAllWinners{"Delete from AwardList "};
// A winner is code and factory, or without a code factory and name: the third
// value is the name, asked only of a row without a code.
inline const S DeleteWinner{"Delete from AwardList where [sNo]=? and [sCompCode] =? and ([sNo] <> '' or [sName] =?)"};
inline const S CountAllWinners{"select count(*) from AwardList"};
inline const S CountWinners{"select Count(*) from AwardList  where [sTime]=?"};
inline const S WinnersWithItems{
    "SELECT AwardList.sNo, AwardList.sName, AwardItem.ItemName, AwardItem.Awards,sCompCode,AwardItem.RecNo\n"
    "FROM AwardList INNER JOIN AwardItem ON AwardList.sTime = AwardItem.RecNo\n"
    "order by AwardList.sTime "};
// The rows of WinnersWithItems, counted before they are read.
inline const S CountWinnersWithItems{
    "SELECT Count(*) FROM AwardList INNER JOIN AwardItem ON AwardList.sTime = AwardItem.RecNo"};

// DrawLog (the draw record; no classic counterpart)
inline const S DrawLogByRecNo{"select * from DrawLog order by RecNo"};
inline const S CountDrawLog{"select Count(*) from DrawLog"};
// Winners removed (删除, 弃奖) per item since the last reset (重置).
inline const S RemovedSinceReset{"select sTime, count(*) from DrawLog where sEvent in (?, ?) and RecNo > "
                                 "coalesce((select max(RecNo) from DrawLog where sEvent = ?), 0) group by sTime"};

// Rows that the screens' query objects write (no statement text of their own
// in the classic system; these are the posts they make).
namespace Post {
inline const S RecordDrawnCount{"update AwardItem set ExcNum = ?, IsExec = ? where RecNo = ?"};
inline const S AppendWinner{"insert into AwardList(sNo, sName, sTime, sCompCode) values(?,?,?,?)"};
inline const S MarkDesignationUsed{"update Award set Checked = 1 where RecNo = ?"};
inline const S SetItemExecuted{"update AwardItem set IsExec = 1 where RecNo = ?"};
// A winner removed from a finished item gives its place back: the item is open
// again and drawn in its turn.
inline const S ReopenItem{"update AwardItem set IsExec = 0 where RecNo = ? and ExcNum < SumNumber"};
inline const S ResetItems{"update AwardItem set IsExec = 0, ExcNum = 0 where iSeq is null or iSeq <> 9999"};
inline const S ResetDesignations{"update Award set Checked = 0"};
// The draw record. The values of AppendDrawRecord are in the order of
// drawRecordValues(); LogRemovedWinners takes the time, the event, the manner
// and the person, and copies each of the person's winner rows with its item.
inline const S AppendDrawRecord{
    "insert into DrawLog(sWhen, sEvent, sTime, sItemName, sAwards, sNo, sName, sCompCode, sHow, sScope) "
    "values(?,?,?,?,?,?,?,?,?,?)"};
// A copy about to replace the data in use takes the record in use whole, in
// its places (see keepDrawRecords()).
inline const S EmptyDrawLog{"delete from DrawLog"};
inline const S PutDrawRecord{
    "insert into DrawLog(RecNo, sWhen, sEvent, sTime, sItemName, sAwards, sNo, sName, sCompCode, sHow, sScope) "
    "values(?,?,?,?,?,?,?,?,?,?,?)"};
inline const S LogRemovedWinners{
    "insert into DrawLog(sWhen, sEvent, sHow, sTime, sItemName, sAwards, sNo, sName, sCompCode) "
    "select ?, ?, ?, AwardList.sTime, coalesce(AwardItem.ItemName, ''), coalesce(AwardItem.Awards, ''), "
    "AwardList.sNo, AwardList.sName, AwardList.sCompCode "
    "from AwardList left join AwardItem on AwardItem.RecNo = AwardList.sTime "
    "where AwardList.sNo = ? and AwardList.sCompCode = ? and (AwardList.sNo <> '' or AwardList.sName = ?) "
    "order by AwardList.RecNo"};
// The absent winner joins the exclusions once, with the name as won.
inline const S ExcludeWinner{
    "insert into AwardBlank(sNo, sName, sCompCode) select sNo, sName, sCompCode from AwardList "
    "where sNo = ? and sCompCode = ? and (sNo <> '' or sName = ?) and not exists (select 1 from AwardBlank "
    "where AwardBlank.sNo = AwardList.sNo and AwardBlank.sCompCode = AwardList.sCompCode "
    "and (AwardList.sNo <> '' or AwardBlank.sName = AwardList.sName)) order by RecNo limit 1"};
} // namespace Post
} // namespace Catalogue
