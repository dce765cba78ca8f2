#pragma once
#include <QString>
#include <functional>

class Database;
class Pacer;
class RosterReader;

// Fills the roster from the first sheet of a roster file: from row 1 until
// the first row whose first column is empty, columns factory, department,
// name and code. Rows are inserted as the reader hands them on, committed in
// batches, and always before events are let through and at the end, so every
// row read before a stop or a failing row stays in the roster.
class RosterImport {
public:
    enum class Outcome { Completed, Stopped, Failed };
    struct Result {
        Outcome outcome = Outcome::Completed;
        int imported = 0; // rows now in the roster from this import
        int failedRow = 0; // the first row that could not be stored (Failed)
        QString reason; // why that row could not be stored (Failed)
        // The operator's message for a failed import; empty otherwise.
        QString message() const;
    };

    RosterImport(Database &db, Pacer &pacer) : m_db(db), m_pacer(pacer) {}

    // Per row, before its insert: row number, status line, progress (row mod 100).
    std::function<void(int row, const QString &status, int progress)> onRow;
    // Right before events are let through. A screen shows the latest status
    // here rather than per row: the picture only changes when events are
    // handled, and a progress bar repaints at once on every new value.
    std::function<void()> beforePump;
    // Asked before each row; true stops the import before that row.
    std::function<bool()> stopRequested;

    // Events are let through at the first row and then whenever this many
    // milliseconds (or, at the latest, rows) have passed, also while the
    // reader works through parts of the file that hold no rows: often enough
    // for Cancel to answer at once, rarely enough that a large file is not
    // slowed down by it. Every pause is also a commit, which waits for the
    // disk, so the clock decides (a fast machine stores 5000 rows in less
    // time than a commit takes), and where commits are slow the pauses come
    // further apart, up to four times pumpEveryMs: commits then take about a
    // twentieth of the import.
    int pumpEveryRows = 50000;
    int pumpEveryMs = 100;

    // Throws RosterFileError when the file turns out unreadable; nothing of
    // it is imported then.
    Result run(RosterReader &reader);

    // "正在导入：第[n]行，员工：[code]姓名:[name]"
    static QString statusText(int row, const QString &code, const QString &name);

private:
    Database &m_db;
    Pacer &m_pacer;
};
