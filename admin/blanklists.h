#pragma once
#include "admin/postedlist.h"
#include "store/rows.h"

class Database;
class PrizeItemChoice;

// The designated winners (Award) as the lists screen edits them. Its "奖项"
// column shows the ItemName of the row's sTime, empty when that item is gone;
// "状态" shows whether the designation has been used. A new row starts with
// the current prize item.
class DesignationList : public PostedList {
    Q_OBJECT
public:
    DesignationList(Database &db, const PrizeItemChoice &items, QObject *parent = nullptr);

    // Why the designation as written cannot win: its person is excluded, or
    // stands in the roster only outside the item's scope. Empty when it can.
    static QString problem(Database &db, const Designation &d);

Q_SIGNALS:
    // A row was written that cannot win as it stands; it is kept all the
    // same (the operator may mean to change the scope or the exclusion).
    void warning(const QString &text);

protected:
    std::vector<Row> load() override;
    int insertRecord(const Row &row) override;
    void updateRecord(const Row &row) override;
    void deleteRecord(const Row &row) override;
    void newRecord(Row &row, int rowsBefore) override;
    QVariant lookUp(const QString &field, const Row &row) const override;

private:
    void warnAbout(const Row &row);

    Database &m_db;
    const PrizeItemChoice &m_items;
};

// The excluded people (AwardBlank) as the lists screen edits them.
class ExclusionList : public PostedList {
    Q_OBJECT
public:
    explicit ExclusionList(Database &db, QObject *parent = nullptr);

protected:
    std::vector<Row> load() override;
    int insertRecord(const Row &row) override;
    void updateRecord(const Row &row) override;
    void deleteRecord(const Row &row) override;

private:
    Database &m_db;
};
