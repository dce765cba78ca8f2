#include "admin/rosterimport.h"

#include "sheets/rosterreader.h"
#include "base/largebuffer.h"
#include "base/pacer.h"
#include "store/bulkread.h"
#include "store/catalogue.h"
#include "store/database.h"
#include "store/dberror.h"
#include "store/rosterbulk.h"
#include "store/snapshots.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QSet>
#include <QStringEncoder>
#include <algorithm>
#include <bit>
#include <memory>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

struct RosterRow {
    QString factory, department, name, code;
};

// The engine names the field whose check failed; the operator gets its caption.
QString refusalReason(const QString &engineText, const RosterRow &row)
{
    if (engineText.contains(u"CHECK constraint failed"_s)) {
        const struct {
            const char16_t *field;
            const char16_t *caption;
            const QString &value;
        } fields[] = {{u"EmpCode", u"工号", row.code},
                      {u"EmpName", u"姓名", row.name},
                      {u"CompCode", u"工厂名称", row.factory},
                      {u"DartNo", u"部门", row.department}};
        for (const auto &f : fields) {
            if (engineText.contains(QString::fromUtf16(f.field)))
                return u"%1过长(%2个字符)，数据库不接受"_s.arg(QString::fromUtf16(f.caption)).arg(f.value.size());
        }
    }
    if (engineText.contains(u"disk is full"_s) || engineText.contains(u"已满"_s))
        return u"磁盘已满，数据库无法再写入，请腾出磁盘空间后再导入其余的行"_s;
    return engineText;
}

// The people met so far, held only while an import runs:
// blocks of keys and an open-addressing table of their places, so that a
// million people cost tens of megabytes and a look-up a few hashes, not a
// query per row or an index left behind in the database file. Fresh memory
// is what costs most here (every page is faulted in once): keys are never
// moved, the table grows without reading them again, and both live in
// large buffers.
class PersonKeys {
public:
    // `key` as personKey() gives it; `hash` its hashOf(). True
    // when the person was not there yet (and now is).
    bool insert(std::string_view key, uint64_t hash)
    {
        if ((m_count + 1) * 2 > m_capacity)
            grow();
        const uint64_t tag = hash & TagMask;
        for (size_t i = hash >> m_shift;; i = (i + 1) & (m_capacity - 1)) {
            const uint64_t slot = slots()[i];
            if (slot == 0) {
                slots()[i] = tag | (store(key) + 1);
                ++m_count;
                return true;
            }
            if ((slot & TagMask) == tag && keyAt((slot & RefMask) - 1) == key)
                return false;
        }
    }

    bool insert(std::string_view key) { return insert(key, hashOf(key)); }
    // Worked out where the rows are read, so that storing them only looks.
    static uint64_t hashOf(std::string_view key) { return std::hash<std::string_view>{}(key); }
    // Asks for the slot where a key's look-up will start, a few rows ahead:
    // in a table of megabytes it is rarely in the cache.
    void prefetch(uint64_t hash) const
    {
        if (m_capacity > 0)
            __builtin_prefetch(m_slots.data() + (hash >> m_shift) * sizeof(uint64_t));
    }

private:
    // A slot: the high bits of the key's hash, which also give its place
    // (the table's first bits), and where the key is kept + 1 (0 is free).
    static constexpr int RefBits = 40;
    static constexpr uint64_t RefMask = (uint64_t(1) << RefBits) - 1, TagMask = ~RefMask;
    // Keys are kept in blocks that double up to the largest; a key is its
    // length (4 bytes) and its bytes, and its place the block's number and
    // where in it the key starts.
    static constexpr int OffsetBits = 23;
    static constexpr size_t FirstBlock = size_t(1) << 16, LargestBlock = size_t(1) << OffsetBits;

    uint64_t *slots() { return reinterpret_cast<uint64_t *>(m_slots.data()); }
    uint64_t store(std::string_view key)
    {
        const auto size = static_cast<uint32_t>(key.size());
        const size_t need = sizeof size + key.size();
        if (m_blocks.empty() || m_used + need > m_blocks.back().size()) {
            const size_t next = m_blocks.empty() ? FirstBlock : std::min(2 * m_blocks.back().size(), LargestBlock);
            m_blocks.emplace_back(std::max(need, next));
            m_used = 0;
        }
        char *at = m_blocks.back().data() + m_used;
        std::memcpy(at, &size, sizeof size);
        std::memcpy(at + sizeof size, key.data(), key.size());
        const uint64_t ref = (uint64_t(m_blocks.size() - 1) << OffsetBits) | m_used;
        m_used += need;
        return ref;
    }
    std::string_view keyAt(uint64_t ref) const
    {
        const char *at = m_blocks[ref >> OffsetBits].data() + (ref & ((uint64_t(1) << OffsetBits) - 1));
        uint32_t size = 0;
        std::memcpy(&size, at, sizeof size);
        return {at + sizeof size, size};
    }
    void grow()
    {
        const size_t capacity = std::max<size_t>(1024, m_capacity * 2);
        const int shift = 64 - std::countr_zero(capacity);
        LargeBuffer table(capacity * sizeof(uint64_t), LargeBuffer::Fill::Zeroes);
        auto *to = reinterpret_cast<uint64_t *>(table.data());
        for (size_t j = 0; j < m_capacity; ++j) {
            const uint64_t slot = slots()[j];
            if (slot == 0)
                continue;
            // The tag holds the place's bits while the table has no more than it.
            size_t i = 64 - shift <= 64 - RefBits ? slot >> shift : hashOf(keyAt((slot & RefMask) - 1)) >> shift;
            while (to[i] != 0)
                i = (i + 1) & (capacity - 1);
            to[i] = slot;
        }
        m_slots = std::move(table);
        m_capacity = capacity;
        m_shift = shift;
    }

    LargeBuffer m_slots;
    size_t m_capacity = 0, m_count = 0;
    int m_shift = 64;
    std::vector<LargeBuffer> m_blocks;
    size_t m_used = 0;
};

// Appends a cell as UTF-8, the way it is stored: NUL characters would cut
// the text short, so they go. Returns its length in bytes.
uint32_t appendUtf8(std::string &out, QStringEncoder &encoder, const QString &cell)
{
    const size_t start = out.size();
    out.resize(start + static_cast<size_t>(encoder.requiredSpace(cell.size())));
    char *end = encoder.appendToBuffer(out.data() + start, cell);
    out.resize(static_cast<size_t>(end - out.data()));
    if (std::memchr(out.data() + start, 0, out.size() - start))
        out.erase(std::remove(out.begin() + static_cast<std::ptrdiff_t>(start), out.end(), '\0'), out.end());
    return static_cast<uint32_t>(out.size() - start);
}

// The captions a roster's first row gives its columns: the program's own and
// the usual variants, whatever column they stand over.
bool isCaption(QString cell)
{
    static const QSet<QString> captions{
        u"工厂名称"_s, u"工厂"_s,     u"厂区"_s,     u"厂别"_s,     u"厂名"_s,     u"分厂"_s,     u"公司"_s,
        u"公司名称"_s, u"单位"_s,     u"单位名称"_s, u"部门"_s,     u"部门名称"_s, u"所属部门"_s, u"科室"_s,
        u"车间"_s,     u"姓名"_s,     u"员工姓名"_s, u"职工姓名"_s, u"人员姓名"_s, u"名字"_s,     u"工号"_s,
        u"员工编号"_s, u"职工编号"_s, u"编号"_s,     u"员工号"_s,   u"职工号"_s,   u"员工工号"_s, u"工卡号"_s};
    cell = cell.trimmed();
    if (cell.endsWith(u':') || cell.endsWith(u'\uFF1A'))
        cell = cell.chopped(1).trimmed();
    return captions.contains(cell);
}

// A first row of captions over at least two columns, and nothing else, is
// the roster's header, not a person. A row with one caption among names, or
// with anything that is no caption, is somebody's row however odd it looks.
bool isHeaderRow(const RosterCells &cells)
{
    int captions = 0;
    for (const QString &cell : cells) {
        if (cell.trimmed().isEmpty())
            continue;
        if (!isCaption(cell))
            return false;
        ++captions;
    }
    return captions >= 2;
}

// A person is the code with the factory. Without a code nothing tells two
// people apart but the rest of the row: such a row is a person of its own
// unless factory, department and name all repeat. The fields are kept as
// code, NUL, factory, NUL, department, NUL, name (cells hold no NUL), so the
// key is the first two fields, or for a row without a code the whole row;
// the two kinds of key never meet, as only the latter starts with a NUL.
void appendPersonFields(std::string &out, std::string_view code, std::string_view factory, std::string_view department,
                        std::string_view name)
{
    out.append(code);
    out.push_back('\0');
    out.append(factory);
    out.push_back('\0');
    out.append(department);
    out.push_back('\0');
    out.append(name);
}
std::string_view personKey(std::string_view fields, std::size_t code, std::size_t factory)
{
    return code == 0 ? fields : fields.substr(0, code + 1 + factory);
}

} // namespace

namespace {

// Rows as the database takes them: UTF-8, one after another in one string,
// each as appendPersonFields() lays it out, so that its key lies in place.
struct RowChunk {
    struct Row {
        int number;
        uint32_t code, factory, name, department; // lengths in bytes
        uint64_t hash; // of the person's key
    };
    std::string bytes;
    std::vector<Row> rows;
};

// One row of a chunk, looked at in place.
struct RowView {
    int number;
    std::string_view code, factory, name, department, key;
    uint64_t hash;
};

// Rows on their way from the reading thread to the storing one: reading a
// workbook costs about as much as storing its rows, so the two overlap. The
// queue is short, so memory holds a few thousand rows at most.
class RowQueue {
public:
    enum class Take { Rows, Waiting, Ended };

    // Reading thread: false once the import wants no more rows.
    bool push(RowChunk &&chunk)
    {
        std::unique_lock lock(m_mutex);
        m_notFull.wait(lock, [this] { return m_chunks.size() < MaxChunks || m_cancelled || m_discarding; });
        if (m_cancelled)
            return false;
        if (m_discarding)
            return true;
        m_chunks.push_back(std::move(chunk));
        m_notEmpty.notify_one();
        return true;
    }
    // Asked per row: no lock.
    bool cancelled() const { return m_cancelled.load(std::memory_order_relaxed); }
    bool discarding() const { return m_discarding.load(std::memory_order_relaxed); }
    void finish(std::exception_ptr error)
    {
        std::lock_guard lock(m_mutex);
        m_ended = true;
        m_error = std::move(error);
        m_notEmpty.notify_one();
    }

    // Storing thread: the next chunk, or Waiting when none came within `wait`.
    Take take(RowChunk &chunk, std::chrono::milliseconds wait)
    {
        std::unique_lock lock(m_mutex);
        if (!m_notEmpty.wait_for(lock, wait, [this] { return !m_chunks.empty() || m_ended; }))
            return Take::Waiting;
        if (m_chunks.empty())
            return Take::Ended;
        chunk = std::move(m_chunks.front());
        m_chunks.pop_front();
        m_notFull.notify_one();
        return Take::Rows;
    }
    void cancel()
    {
        std::lock_guard lock(m_mutex);
        m_cancelled = true;
        m_notFull.notify_all();
    }
    // The rest of the file is read to its end, for its check only: no more
    // rows are handed on.
    void discard()
    {
        std::lock_guard lock(m_mutex);
        m_discarding = true;
        m_chunks.clear();
        m_notFull.notify_all();
    }
    std::exception_ptr error() const
    {
        std::lock_guard lock(m_mutex);
        return m_error;
    }

private:
    static constexpr size_t MaxChunks = 8;
    mutable std::mutex m_mutex;
    std::condition_variable m_notEmpty, m_notFull;
    std::deque<RowChunk> m_chunks;
    std::atomic<bool> m_cancelled = false, m_discarding = false;
    bool m_ended = false;
    std::exception_ptr m_error;
};

// The reading thread's end: rows turned into UTF-8 and gathered into chunks,
// so that the storing thread only looks people up and binds.
class ChunkingSink : public RosterSink {
public:
    explicit ChunkingSink(RowQueue &queue) : m_queue(queue) { start(); }
    bool row(int number, const RosterCells &cells) override
    {
        if (m_queue.discarding())
            return !m_queue.cancelled();
        if (number == 1 && isHeaderRow(cells)) {
            headerSkipped = true;
            return !m_queue.cancelled();
        }
        RowChunk::Row r{number, 0, 0, 0, 0, 0};
        const size_t start = m_chunk.bytes.size();
        r.code = appendUtf8(m_chunk.bytes, m_encoder, cells[3]);
        m_chunk.bytes.push_back('\0');
        r.factory = appendUtf8(m_chunk.bytes, m_encoder, cells[0]);
        m_chunk.bytes.push_back('\0');
        r.department = appendUtf8(m_chunk.bytes, m_encoder, cells[1]);
        m_chunk.bytes.push_back('\0');
        r.name = appendUtf8(m_chunk.bytes, m_encoder, cells[2]);
        r.hash = PersonKeys::hashOf(personKey(std::string_view(m_chunk.bytes).substr(start), r.code, r.factory));
        m_chunk.rows.push_back(r);
        return m_chunk.rows.size() < ChunkRows ? !m_queue.cancelled() : flush();
    }
    // A reader pauses here between parts of the file: rows it has held for
    // a while are handed on rather than held back while it works.
    bool idle() override
    {
        if (m_chunk.rows.empty() || std::chrono::steady_clock::now() - m_lastFlush < std::chrono::milliseconds(20))
            return !m_queue.cancelled();
        return flush();
    }
    // Read on the storing side once the reading thread has ended.
    bool headerSkipped = false;

    bool flush()
    {
        m_lastFlush = std::chrono::steady_clock::now();
        if (m_chunk.rows.empty())
            return true;
        RowChunk full = std::move(m_chunk);
        start();
        return m_queue.push(std::move(full));
    }

private:
    static constexpr size_t ChunkRows = 1024;
    void start()
    {
        m_chunk = {};
        m_chunk.rows.reserve(ChunkRows);
        m_chunk.bytes.reserve(ChunkRows * 48);
    }
    RowQueue &m_queue;
    RowChunk m_chunk;
    QStringEncoder m_encoder{QStringEncoder::Utf8, QStringConverter::Flag::Stateless};
    std::chrono::steady_clock::time_point m_lastFlush = std::chrono::steady_clock::now();
};

} // namespace

QString RosterImport::Result::message() const
{
    QString notes;
    if (headerSkipped)
        notes += u"\n第1行是各列的标题，没有作为员工导入。"_s;
    if (repeated > 0) {
        notes += u"\n另有%1行的员工已在员工列表中或在文件中出现过，没有重复导入"_s.arg(repeated)
                 + u"(工号和工厂名称都相同的是同一人；没有工号的，工厂名称、部门和姓名都相同的是同一人)。"_s;
    }
    switch (outcome) {
    case Outcome::Completed:
        if (rowsAfter > 0) {
            notes +=
                u"\n第%1行的第一列(工厂名称)是空的，导入到此为止；其后还有%2行有内容，没有导入。"_s.arg(emptyRow).arg(
                    rowsAfter)
                + u"如需导入，请在文件中补上该行的工厂名称或删去空行，再导入一次。"_s;
        }
        return notes.isEmpty() ? u"导入员工资料完成!"_s : u"导入员工资料完成!\n导入%1人。"_s.arg(imported) + notes;
    case Outcome::Stopped:
        return u"导入已停止：已导入%1人，其余的行没有导入。"_s.arg(imported) + notes;
    case Outcome::Failed:
        break;
    }
    return u"第%1行无法导入：%2。\n此前的%3行已导入。"_s.arg(failedRow).arg(reason).arg(imported) + notes;
}

QString RosterImport::statusText(int row, const QString &code, const QString &name)
{
    return u"正在导入：第["_s + QString::number(row) + u"]行，员工：["_s + code + u"]"_s + u"姓名:["_s + name + u"]"_s;
}

// Stores the rows the reading thread hands on.
//
// A workbook may turn out damaged after its first rows: its rows are stored
// provisionally, in one unit of work that stays open until the whole file
// has been read, and is undone when the file is refused or the import
// stopped before that. Other files (text cannot be damaged) are committed
// at every pause, so that what was stored before a stop stays.
class ImportSink {
public:
    ImportSink(RosterImport &owner, RosterImport::Result &result, bool provisional)
        : m_owner(owner), m_db(owner.m_db), m_pacer(owner.m_pacer), m_result(result), m_insert(owner.m_db),
          m_commitGapMs(owner.commitEveryMs), m_provisional(provisional)
    {
        m_sinceCommit.start();
    }

    bool row(const RowView &r)
    {
        if (m_owner.m_stopRequested) {
            m_result.outcome = RosterImport::Outcome::Stopped;
            return false;
        }
        // The first pause comes at the first row at the latest (dueByTime()
        // holds until then); it may have come while the file was unpacked.
        // The clock is read every 64 rows: a row costs about a microsecond.
        if (m_rowsSincePump >= m_owner.pumpEveryRows || ((m_rowsSincePump & 63) == 0 && dueByTime())) {
            // A stop asked for now takes effect before the next row: this one
            // is already under way.
            if (!pump(false))
                return false;
        }
        ++m_rowsSincePump;
        m_last = r;
        try {
            if (!m_keys) {
                // Only now, at the first row: a file refused before it costs no look at the roster.
                m_keys.emplace();
                if (m_owner.mode == RosterImport::Mode::Append) {
                    std::string fields;
                    const auto view = [](QByteArrayView v) { return std::string_view(v.data(), size_t(v.size())); };
                    readRoster(m_db, [&](const RosterRowView &row) {
                        fields.clear();
                        appendPersonFields(fields, view(row.code), view(row.factory), view(row.department),
                                           view(row.name));
                        m_keys->insert(personKey(fields, size_t(row.code.size()), size_t(row.factory.size())));
                        return true;
                    });
                }
            }
            if (!m_keys->insert(r.key, r.hash)) {
                ++m_result.repeated;
                return true;
            }
            if (!m_batch) {
                m_batch.emplace(m_db);
                m_batchStart = r.number;
                // Emptied in the unit of work of the first rows stored: a stop
                // or a refusal before any row leaves the roster as it was.
                // The import's own snapshot, taken before the file was read, covers this.
                if (m_owner.mode == RosterImport::Mode::Replace && !m_cleared) {
                    m_db.exec(Catalogue::DeleteAllEmployees);
                    m_clearing = true;
                }
            }
            m_insert.insert(r.code, r.name, r.factory, r.department);
        } catch (const DbError &error) {
            // The refused row changes nothing; the rows before it stay.
            const auto text = [](std::string_view v) { return QString::fromUtf8(v.data(), qsizetype(v.size())); };
            fail(r.number,
                 refusalReason(error.text(), {text(r.factory), text(r.department), text(r.name), text(r.code)}));
            if (m_pending == 0) {
                // Nothing of this batch to keep, the emptying of a replaced roster least of all.
                m_batch.reset();
                m_clearing = false;
            }
            // Provisional rows wait for the rest of the file's check.
            if (!m_provisional && commit())
                m_result.imported = m_committed;
            return false;
        }
        ++m_pending;
        return true;
    }

    // While rows flow, row() lets events through; this is for the stretches
    // without rows: a file being unpacked or scanned for its encoding, or
    // read on to its end for its check after a row was refused.
    bool idle() { return !dueByTime() || pump(true); }
    // How long the storing side may wait for rows before events are due.
    std::chrono::milliseconds untilDue() const
    {
        const qint64 left = m_sincePump.isValid() ? m_owner.pumpEveryMs - m_sincePump.elapsed() : 0;
        return std::chrono::milliseconds(std::clamp<qint64>(left, 1, 50));
    }

    void prefetch(uint64_t hash) const
    {
        if (m_keys)
            m_keys->prefetch(hash);
    }

    // A refused row ended the storing while the file may still be refused:
    // the rows before it are kept only once the rest has been read.
    bool awaitsCheck() const { return m_provisional && failed() && m_pending > 0; }

    // The whole file has been read: what was provisional is now as any
    // stored row, and is committed.
    void settle() { m_provisional = false; }
    // The file was refused, or the import stopped before it was read to its
    // end: none of its rows stay, the roster is as before.
    void undo()
    {
        m_batch.reset();
        m_clearing = false;
        m_pending = m_committed = 0;
        m_result.imported = m_result.repeated = 0;
    }
    bool provisional() const { return m_provisional; }

    // Commits what is pending; false (with the failure noted) when the
    // database refuses, which undoes the whole batch.
    bool commit()
    {
        if (!m_batch)
            return true;
        try {
            m_batch->commit();
        } catch (const DbError &error) {
            // The whole batch is undone (a full disk also undoes it by
            // itself, at the failing row): its first row is the first lost.
            m_batch.reset();
            m_clearing = false;
            fail(m_batchStart, failed() ? m_result.reason : refusalReason(error.text(), {}));
            m_pending = 0;
            return false;
        }
        m_batch.reset();
        m_cleared = m_cleared || m_clearing;
        m_committed += m_pending;
        m_pending = 0;
        return true;
    }
    bool failed() const { return m_result.outcome == RosterImport::Outcome::Failed; }
    int committed() const { return m_committed; }

    // The rows handed to row() are about to go: what the status line needs
    // of the latest is copied (once per chunk, not per row).
    void keepLast()
    {
        if (m_last.number == 0 || m_last.code.data() == m_lastCode.data())
            return;
        m_lastCode.assign(m_last.code);
        m_lastName.assign(m_last.name);
        m_last.code = m_lastCode;
        m_last.name = m_lastName;
    }

    // The latest row's status line, as the screen shows it.
    void tellProgress()
    {
        if (m_last.number > 0) {
            const auto text = [](std::string_view v) { return QString::fromUtf8(v.data(), qsizetype(v.size())); };
            Q_EMIT m_owner.progress(m_last.number,
                                    RosterImport::statusText(m_last.number, text(m_last.code), text(m_last.name)),
                                    m_last.number % 100);
        }
    }

private:
    bool dueByTime() const { return !m_sincePump.isValid() || m_sincePump.elapsed() >= m_owner.pumpEveryMs; }

    bool pump(bool betweenRows)
    {
        // Rows stay uncommitted across pauses only because the screen takes
        // no other command while an import runs: none can join the batch.
        if (!m_provisional && m_sinceCommit.elapsed() >= m_commitGapMs) {
            QElapsedTimer committing;
            committing.start();
            if (!commit())
                return false;
            m_commitGapMs = std::max<qint64>(m_owner.commitEveryMs, 20 * committing.elapsed());
            m_sinceCommit.start();
        }
        tellProgress();
        m_pacer.pump();
        m_sincePump.start();
        m_rowsSincePump = 0;
        if (betweenRows && m_owner.m_stopRequested) {
            m_result.outcome = RosterImport::Outcome::Stopped;
            return false;
        }
        return true;
    }
    void fail(int row, const QString &reason)
    {
        m_result.outcome = RosterImport::Outcome::Failed;
        m_result.failedRow = row;
        m_result.reason = reason;
    }

    RosterImport &m_owner;
    Database &m_db;
    Pacer &m_pacer;
    RosterImport::Result &m_result;
    EmployeeBulkInsert m_insert;
    std::optional<Transaction> m_batch;
    std::optional<PersonKeys> m_keys;
    RowView m_last{}; // the latest row handed to row(), in its chunk or (keepLast()) in the strings below
    std::string m_lastCode, m_lastName;
    QElapsedTimer m_sincePump, m_sinceCommit;
    qint64 m_commitGapMs;
    int m_rowsSincePump = 0;
    int m_batchStart = 0, m_pending = 0, m_committed = 0;
    bool m_clearing = false, m_cleared = false;
    bool m_provisional;
};

// Rows between asking for a key's slot and looking there: enough for the
// memory to answer while the rows before are stored.
constexpr size_t PrefetchAhead = 8;

RosterImport::RosterImport(Database &db, Pacer &pacer, QObject *parent) : QObject(parent), m_db(db), m_pacer(pacer) {}

RosterImport::~RosterImport() = default;

RosterImport::Result RosterImport::run(RosterReader &reader)
{
    // Before the file is read: a snapshot that cannot be written ends the
    // import with the roster untouched and no time spent on the file.
    Snapshots::take(m_db, Snapshots::importRoster());
    Result result;
    m_running = true;
    m_stopRequested = false;
    const auto done = qScopeGuard([this] { m_running = false; });
    {
        // The file is read on a thread of its own; rows are stored, and
        // events let through, on this one, which is the only one that
        // touches the database and the screen. A workbook is read once,
        // its rows stored while the rest of it is still being checked.
        const bool provisional = reader.mayRefuseAfterRows();
        RowQueue queue;
        RosterEnd end;
        bool headerSkipped = false;
        std::thread readingThread([&queue, &reader, &end, &headerSkipped] {
            ChunkingSink chunks(queue);
            const auto told = qScopeGuard([&] { headerSkipped = chunks.headerSkipped; });
            try {
                end = reader.readInOnePass(chunks);
                chunks.flush();
                queue.finish({});
            } catch (...) {
                queue.finish(std::current_exception());
            }
        });
        const auto joined = qScopeGuard([&] {
            queue.cancel();
            if (readingThread.joinable())
                readingThread.join();
        });

        ImportSink sink(*this, result, provisional);
        RowChunk chunk;
        bool storing = true, readToEnd = false;
        for (bool going = true; going;) {
            switch (queue.take(chunk, sink.untilDue())) {
            case RowQueue::Take::Rows:
                for (size_t i = 0, at = 0; storing && i < chunk.rows.size(); ++i) {
                    const RowChunk::Row &r = chunk.rows[i];
                    if (i + PrefetchAhead < chunk.rows.size())
                        sink.prefetch(chunk.rows[i + PrefetchAhead].hash);
                    const std::string_view fields =
                        std::string_view(chunk.bytes)
                            .substr(at, size_t(r.code) + r.factory + r.department + r.name + 3);
                    RowView view{r.number,
                                 fields.substr(0, r.code),
                                 fields.substr(r.code + 1, r.factory),
                                 fields.substr(size_t(r.code) + r.factory + 3 + r.department, r.name),
                                 fields.substr(size_t(r.code) + r.factory + 2, r.department),
                                 personKey(fields, r.code, r.factory),
                                 r.hash};
                    at += fields.size();
                    if (!sink.row(view)) {
                        storing = false;
                        // Rows before a refused one are kept once the rest
                        // of the file has been read without damage.
                        if (sink.awaitsCheck())
                            queue.discard();
                        else
                            going = false;
                    }
                }
                sink.keepLast();
                // Events are let through also while the file is read on
                // for its check only.
                if (!storing && going)
                    going = sink.idle();
                break;
            case RowQueue::Take::Waiting:
                going = sink.idle();
                break;
            case RowQueue::Take::Ended:
                going = false;
                readToEnd = true;
                break;
            }
        }
        queue.cancel();
        readingThread.join();
        const std::exception_ptr error = queue.error();
        if (sink.provisional()) {
            if (readToEnd && !error && result.outcome != Outcome::Stopped) {
                sink.settle();
            } else {
                sink.undo();
                if (error)
                    std::rethrow_exception(error); // refused, whatever was stored before
            }
        }
        // Rows stored before a read failure stay, as after any other stop.
        sink.commit();
        if (error && result.outcome != Outcome::Failed)
            std::rethrow_exception(error);
        result.imported = sink.committed();
        result.headerSkipped = headerSkipped;
        if (result.outcome == Outcome::Completed) {
            result.emptyRow = end.emptyRow;
            result.rowsAfter = end.rowsAfter;
        }
        sink.tellProgress();
    }
    if (result.outcome == Outcome::Failed)
        Q_EMIT rowRefused(result.failedRow, result.reason);
    Q_EMIT finished(result);
    return result;
}
