#include "store/leftovers.h"

#include "store/dbmessages.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <optional>
#include <limits>
#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace Qt::StringLiterals;

namespace {

constexpr char kJournalMagic[] = "\xd9\xd5\x05\xf9\x20\xa1\x63\xd7";
constexpr int kHeaderSize = 100;

quint32 be32(const QByteArray &b, qsizetype at)
{
    return at + 4 <= b.size() ? qFromBigEndian<quint32>(b.constData() + at) : 0;
}

quint32 pageSizeOf(const QByteArray &page1)
{
    if (page1.size() < kHeaderSize)
        return 0;
    const quint32 raw = qFromBigEndian<quint16>(page1.constData() + 16);
    return raw == 1 ? 65536 : raw;
}

// The page count page 1 records, when the commit that wrote it also wrote the
// count (older programs leave it stale).
std::optional<quint32> recordedPages(const QByteArray &page1)
{
    if (be32(page1, 92) != be32(page1, 24))
        return std::nullopt;
    return be32(page1, 28);
}

bool isWalModeFile(const QByteArray &page1) { return page1.size() >= kHeaderSize && page1[18] == 2 && page1[19] == 2; }

QByteArray readAtMost(const QString &path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return size < 0 ? file.readAll() : file.read(size);
}

// A program that writes to the database holds SQLite's RESERVED (or PENDING)
// byte locked while its journal is live; such a journal is nobody's
// leftover. The kernel's lock table is read rather than asked through a file
// descriptor of our own, whose closing would drop every POSIX lock this
// process holds on the file.
bool anotherWriterIsActive(const QString &databasePath)
{
    struct stat st = {};
    if (::stat(QFile::encodeName(databasePath).constData(), &st) != 0)
        return false;
    QFile table(u"/proc/locks"_s);
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const QByteArray id = QString::asprintf("%02x:%02x:%llu", major(st.st_dev), minor(st.st_dev),
                                            static_cast<unsigned long long>(st.st_ino))
                              .toLatin1();
    constexpr qint64 pending = 0x40000000, reserved = pending + 1;
    for (const QByteArray &line : table.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        // "1: POSIX ADVISORY WRITE pid dev:inode start end"; waiters carry "->" and hold nothing.
        if (f.size() < 8 || f[1] == "->" || f[3] != "WRITE" || f[5] != id)
            continue;
        const qint64 start = f[6].toLongLong();
        const qint64 end = f[7] == "EOF" ? std::numeric_limits<qint64>::max() : f[7].toLongLong();
        if (start <= reserved && end >= pending)
            return true;
    }
    return false;
}

bool walBelongsTo(const QByteArray &walHeader, const QByteArray &page1)
{
    // Only a database in write-ahead mode can own a log; a file written by
    // this build (rollback journal) never does.
    if (!isWalModeFile(page1))
        return false;
    const quint32 magic = be32(walHeader, 0);
    if (magic != 0x377f0682 && magic != 0x377f0683)
        return walHeader.isEmpty(); // an empty log holds nothing
    return be32(walHeader, 8) == pageSizeOf(page1);
}

QString setAsideName(const QString &path, const QDateTime &now)
{
    const QString base = path + u'.' + now.toString(u"yyyyMMdd-HHmmss"_s) + u".bak"_s;
    QString name = base;
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = base + u'.' + QString::number(n);
    return name;
}

} // namespace

bool journalBelongsTo(const QByteArray &journal, const QByteArray &page1)
{
    if (journal.isEmpty() || journal[0] == 0)
        return true; // not hot: SQLite ignores it
    if (!journal.startsWith(QByteArray::fromRawData(kJournalMagic, 8)))
        return false; // unreadable: what SQLite would make of it is unknown
    const quint32 sector = be32(journal, 20);
    const quint32 pageSize = be32(journal, 24);
    const quint32 originalPages = be32(journal, 16);
    if (pageSize != pageSizeOf(page1) || sector < 32 || sector > 65536)
        return false;
    const qsizetype record = qsizetype(pageSize) + 8;

    // Walk the segments SQLite would play back, looking for the original
    // first page: every transaction that changes the header journals it.
    bool anyRecord = false;
    qsizetype header = 0;
    while (header + 28 <= journal.size() && journal.mid(header, 8) == QByteArray::fromRawData(kJournalMagic, 8)) {
        qsizetype records = be32(journal, header + 8);
        const qsizetype first = header + sector;
        if (records == 0xffffffff)
            records = (journal.size() - first) / record;
        if (records == 0)
            break;
        for (qsizetype i = 0; i < records; ++i) {
            const qsizetype at = first + i * record;
            if (at + record > journal.size())
                break;
            anyRecord = true;
            if (be32(journal, at) != 1)
                continue;
            const QByteArray original = journal.mid(at + 4, pageSize);
            const quint32 counter = be32(original, 24);
            const quint32 now = be32(page1, 24);
            if (now == counter)
                return original.left(page1.size()) == page1.left(original.size()); // page 1 not yet written
            // Page 1 already written by the commit the crash cut short. A
            // file copied in may carry the next counter by chance (fresh
            // files all count from 1); a commit never shrinks the file (no
            // auto-vacuum), so a file smaller than the journal's start is
            // another one.
            const auto pages = recordedPages(page1);
            return now == counter + 1 && pageSizeOf(original) == pageSize && (!pages || *pages >= originalPages);
        }
        const qsizetype end = first + records * record;
        header = (end + sector - 1) / sector * sector;
    }
    if (!anyRecord)
        return true; // nothing would be played back
    // The first page was not journaled, so it is still the original: its
    // recorded size must be the size the journal started from.
    const auto pages = recordedPages(page1);
    return !pages || *pages == originalPages;
}

LeftoverCheck setAsideForeignLeftovers(const QString &databasePath, const QDateTime &now)
{
    LeftoverCheck result;
    const QByteArray page1 = readAtMost(databasePath, 65536);
    if (page1.size() < kHeaderSize)
        return result; // the start checks refuse this file before anything opens it

    QStringList foreign;
    const QString journal = databasePath + u"-journal"_s;
    if (QFileInfo::exists(journal) && !anotherWriterIsActive(databasePath)
        && !journalBelongsTo(readAtMost(journal, -1), page1.left(qsizetype(pageSizeOf(page1)))))
        foreign << journal;
    const QString wal = databasePath + u"-wal"_s;
    const QString shm = databasePath + u"-shm"_s;
    const bool walThere = QFileInfo::exists(wal);
    if ((walThere || QFileInfo::exists(shm)) && !anotherWriterIsActive(databasePath)
        && !(walThere && walBelongsTo(readAtMost(wal, 32), page1))) {
        if (walThere)
            foreign << wal;
        if (QFileInfo::exists(shm))
            foreign << shm;
    }

    for (const QString &file : std::as_const(foreign)) {
        const QString name = setAsideName(file, now);
        if (!QFile::rename(file, name)) {
            result.error = DbMessages::leftoverInTheWay(databasePath, file);
            return result;
        }
        result.notices << DbMessages::leftoverSetAside(databasePath, file, name);
    }
    return result;
}
