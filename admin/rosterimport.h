#pragma once
#include <QObject>
#include <QString>

class Database;
class Pacer;
class RosterReader;

// Fills the roster from the first sheet of a roster file: from row 1 until
// the first row whose first column is empty, columns factory, department,
// name and code. The file is read on a thread of its own while the rows it
// has handed on are stored on the caller's thread, which alone touches the
// database and lets events through. Rows of a text file are committed in
// batches, always before events are let through and at the end, so every
// row stored before a stop or a failing row stays in the roster. A workbook
// is read once, its rows stored while the rest of it is still being read:
// they stay in one unit of work until its end, so that a workbook found
// damaged part-way, or an import stopped before that, leaves the roster as
// it was; a row refused by the database keeps the rows before it once the
// rest of the file has been read without damage.
//
// A person is the code with the factory, or for a row without a code its
// factory, department and name: one already in the roster, or met earlier in
// the file, is counted as repeated and not stored again, so that importing a
// file twice does not double anybody's odds. A first row that holds only the
// columns' captions is the file's header and is passed over.
class RosterImport : public QObject {
    Q_OBJECT
public:
    enum class Outcome { Completed, Stopped, Failed };
    Q_ENUM(Outcome)
    // Append keeps the roster and adds the people it lacks; Replace empties
    // it in the same unit of work as the file's first rows, so a file refused
    // before its first row leaves the roster as it was.
    enum class Mode { Append, Replace };
    Q_ENUM(Mode)

    struct Result {
        Outcome outcome = Outcome::Completed;
        int imported = 0; // rows now in the roster from this import
        int repeated = 0; // rows not stored: the person was in the roster or earlier in the file
        int failedRow = 0; // the first row that could not be stored (Failed)
        QString reason; // why that row could not be stored (Failed)
        bool headerSkipped = false; // row 1 held the columns' captions
        // A roster that ended at an empty first column with rows after it
        // (Completed): that row, and how many rows after it hold something.
        int emptyRow = 0;
        int rowsAfter = 0;
        // The operator's closing message.
        QString message() const;
    };

    RosterImport(Database &db, Pacer &pacer, QObject *parent = nullptr);
    ~RosterImport() override;

    Mode mode = Mode::Append;

    // Events are let through at the first row and then whenever this many
    // milliseconds (or, at the latest, rows) have passed, also while the
    // reader works through parts of the file that hold no rows: often enough
    // for Cancel to answer at once, rarely enough that a large file is not
    // slowed down by it.
    int pumpEveryRows = 50000;
    int pumpEveryMs = 100;
    // Rows of a text file are committed at the first pause after this many
    // milliseconds, and at the end. A commit waits for the disk (tens of
    // milliseconds on a busy one, where a fast machine stores thousands of
    // rows in that time), so commits also come no oftener than every twenty
    // times a commit's own duration: they take at most a twentieth of the
    // import. 0 commits at every pause.
    int commitEveryMs = 1000;

    // Throws RosterFileError when the file turns out unreadable; nothing of
    // it is imported then. One run at a time: the events it lets through may
    // try to start another, which the caller refuses while isRunning(); nor
    // may they change the database meanwhile (the open unit of work of a
    // workbook would take the change with it).
    Result run(RosterReader &reader);
    bool isRunning() const { return m_running; }
    // Asks the running import to stop before its next row; the rows stored
    // so far stay (none of a workbook not yet read to its end).
    void stop() { m_stopRequested = true; }
    bool stopRequested() const { return m_stopRequested; }

    // "正在导入：第[n]行，员工：[code]姓名:[name]"
    static QString statusText(int row, const QString &code, const QString &name);

Q_SIGNALS:
    // Right before events are let through and at the end: the latest row,
    // its status line and the progress bar's value (row mod 100). The picture
    // only changes when events are handled, so rows in between are not told.
    void progress(int row, const QString &status, int percent);
    // The row that could not be stored, and why; the import ends there.
    void rowRefused(int row, const QString &reason);
    // At the end of a run that read the file (not when it was refused).
    void finished(const RosterImport::Result &result);

private:
    friend class ImportSink;
    Database &m_db;
    Pacer &m_pacer;
    bool m_running = false;
    bool m_stopRequested = false;
};
