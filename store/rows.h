#pragma once
#include <QString>

// Plain copies of table rows.

struct Employee { // EmpNo
    int RecNo = 0;
    QString EmpCode;
    QString EmpName;
    QString CompCode;
    QString DartNo;
};

struct PrizeItem { // AwardItem
    int RecNo = 0;
    int iSeq = 0;
    QString ItemName;
    QString Awards;
    int SumNumber = 0;
    int iNumber = 0;
    bool IsExec = false;
    int ExcNum = 0;
};

struct Designation { // Award
    int RecNo = 0;
    QString sNo;
    QString sName;
    int sTime = 0;
    bool Checked = false;
    QString sCompCode;
    friend bool operator==(const Designation &, const Designation &) = default;
};

struct Exclusion { // AwardBlank
    int RecNo = 0;
    QString sNo;
    QString sName;
    QString sCompCode;
    friend bool operator==(const Exclusion &, const Exclusion &) = default;
};

struct Winner { // AwardList
    int RecNo = 0;
    QString sNo;
    QString sName;
    int sTime = 0;
    QString sCompCode;
};

struct ScopeRow { // AwardScope: who may win an item
    int RecNo = 0;
    int sTime = 0; // the item's RecNo
    QString CompCode; // empty: any factory
    QString DartNo; // empty: any department
    friend bool operator==(const ScopeRow &, const ScopeRow &) = default;
    // The scope rule, its one statement: a row of the roster lies in the
    // scope when any of the item's scope rows matches it.
    bool matches(const QString &factory, const QString &department) const
    {
        return (CompCode.isEmpty() || CompCode == factory) && (DartNo.isEmpty() || DartNo == department);
    }
};

struct DrawRecord { // DrawLog
    int RecNo = 0;
    QString sWhen; // local time, YYYY-MM-DD HH:MM:SS
    QString sEvent;
    int sTime = 0; // the prize item's RecNo; 0 where the event names no item
    QString sItemName;
    QString sAwards;
    QString sNo;
    QString sName;
    QString sCompCode;
    QString sHow;
    QString sScope; // for 中奖 of a scoped item: the scope's summary
};
