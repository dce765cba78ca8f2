#pragma once
#include "admin/postedlist.h"

class Database;

// The roster (EmpNo) as the settings screen's roster grid edits it, by RecNo.
// Rows are read a page at a time as the grid scrolls, so a roster of 100,000
// opens at once.
class RosterGridList : public PostedList {
    Q_OBJECT
public:
    explicit RosterGridList(Database &db, QObject *parent = nullptr);

protected:
    std::vector<Row> load() override;
    int pageSize() const override { return 256; }
    std::vector<Row> loadAfter(int recNo, int limit) override;
    int insertRecord(const Row &row) override;
    void updateRecord(const Row &row) override;
    void deleteRecord(const Row &row) override;

private:
    Database &m_db;
};

// The prize items (AwardItem) as the settings screen's prize grid edits them,
// by RecNo. A new item is numbered after the rows the grid holds and starts
// with no winners (ExcNum 0, IsExec 0), so that it can be drawn.
class PrizeGridList : public PostedList {
    Q_OBJECT
public:
    explicit PrizeGridList(Database &db, QObject *parent = nullptr);

protected:
    std::vector<Row> load() override;
    int insertRecord(const Row &row) override;
    void updateRecord(const Row &row) override;
    void deleteRecord(const Row &row) override;
    void newRecord(Row &row, int rowsBefore) override;

private:
    Database &m_db;
};
