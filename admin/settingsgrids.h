#pragma once
#include "admin/postedlist.h"
#include "store/rows.h"

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
// with no winners (ExcNum 0, IsExec 0), so that it can be drawn. The column
// "抽奖范围" shows who may win each item; it is chosen in a screen of its own.
class PrizeGridList : public PostedList {
    Q_OBJECT
public:
    explicit PrizeGridList(Database &db, QObject *parent = nullptr);

    static QString scopeField() { return QStringLiteral("Scope"); }
    static QString pictureField() { return QStringLiteral("Picture"); }
    // Where the items' pictures lie (prize-<RecNo>.<ext>); a deleted item's
    // picture goes with it. Empty: the items have no pictures.
    void setPicturesFolder(const QString &folder);
    QString picturesFolder() const { return m_picturesFolder; }
    // The item's scope rows; storing them shows the new summary.
    std::vector<ScopeRow> scopeOf(int recNo) const;
    void setScope(int recNo, const std::vector<ScopeRow> &rows);

protected:
    std::vector<Row> load() override;
    int insertRecord(const Row &row) override;
    void updateRecord(const Row &row) override;
    void deleteRecord(const Row &row) override;
    void newRecord(Row &row, int rowsBefore) override;
    // A total below the winners already drawn would leave an item that can
    // never be finished nor drawn.
    void checkRow(const Row &row) const override;
    QVariant lookUp(const QString &field, const Row &row) const override;

private:
    Database &m_db;
    std::vector<ScopeRow> m_scopes;
    QString m_picturesFolder;
};
