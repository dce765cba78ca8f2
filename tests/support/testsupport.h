#pragma once
// Test seams that need no widgets: a database file made by the project's own
// code in a temporary folder, a pacer that never sleeps and positions supplied
// by the test. Screen tests add screensupport.h.
#include "base/pacer.h"
#include "base/randomposition.h"
#include "store/database.h"

#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

// A temporary runtime folder holding an empty config.dll, opened.
class TempDb {
public:
    TempDb();
    QString folder() const; // with trailing separator
    QString path() const { return folder() + QStringLiteral("config.dll"); }
    Database &db() { return *m_db; }
    // Runs a statement on the open file (test set-up), throwing on failure.
    void exec(const QString &sql, const QVariantList &values = {});
    QVariant scalar(const QString &sql, const QVariantList &values = {});
    // Adds roster rows "code, name, factory, department".
    void addEmployee(const QString &code, const QString &name, const QString &factory, const QString &dept = {});
    int addItem(int iSeq, const QString &name, const QString &awards, int sum, int per, int excNum = 0,
                bool isExec = false);

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Database> m_db;
};

// Every table of the database file at `path`, row by row, in one text: two
// files hold the same data when their dumps are equal. Tables named in
// `leaveOut` are left out.
QString databaseDump(const QString &path, const QStringList &leaveOut = {});
// The same for one table.
QString tableDump(const QString &path, const QString &table);
QString dumpTables(const QString &path, const std::function<bool(const QString &)> &wanted);

// Never sleeps; counts pumps and pauses and can run a step at the n-th pump.
// Its clock stands still until a pause or the test moves it.
// Takes away the right to grow files beyond `bytes` while it lives, as a full
// disk does: writes fail (EFBIG) instead of the process being signalled.
class FileSizeLimit {
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    qint64 m_before = 0;
};

class FakePacer : public Pacer {
public:
    int pumps = 0;
    int pausedMs = 0;
    qint64 clockMs = 1'000'000;
    std::vector<int> pauses;
    std::function<void(int pumpNumber)> onPump;
    void pump() override;
    void pause(int ms) override;
    qint64 nowMs() override { return clockMs; }
};

// Positions supplied by the test, taken modulo n; cycles when exhausted.
class ScriptedRandom : public RandomPosition {
public:
    std::vector<int> positions;
    size_t next = 0;
    int position(int n) override;
    // The scripted positions stand for the seed's picks too.
    std::uint64_t pick(const QByteArray &, std::uint64_t, std::uint64_t, std::uint64_t n) override
    {
        return static_cast<std::uint64_t>(position(static_cast<int>(std::min<std::uint64_t>(n, INT_MAX))));
    }
};
