#include "sheets/olecontainer.h"

#include "sheets/biffreader.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-utils.h>

#include <QStringList>

#include <vector>

using namespace Qt::StringLiterals;

namespace Ole {
namespace {

const char Signature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
constexpr qint32 EndOfChain = -2;

[[noreturn]] void corrupt() { throw Biff::Error{Biff::Failure::Corrupt}; }

// The workbook stream's names: "Workbook" for BIFF8, "Book" for Excel 95.
// Excel finds them whatever their case, as the container's names go.
bool isBiff8Name(const QString &name) { return name.compare(u"Workbook", Qt::CaseInsensitive) == 0; }
bool isWorkbookName(const QString &name)
{
    return isBiff8Name(name) || name.compare(u"Book", Qt::CaseInsensitive) == 0;
}

// The workbook stream among the root's children: a BIFF8 one first.
GsfInput *workbookChild(GsfInfile *ole)
{
    GsfInput *found = nullptr;
    bool biff8 = false;
    const int count = gsf_infile_num_children(ole);
    for (int i = 0; i < count && !biff8; ++i) {
        const char *raw = gsf_infile_name_by_index(ole, i);
        const QString name = raw ? QString::fromUtf8(raw) : QString();
        if (!isWorkbookName(name))
            continue;
        GsfInput *child = gsf_infile_child_by_index(ole, i);
        if (!child)
            continue;
        if (found)
            g_object_unref(found);
        found = child;
        biff8 = isBiff8Name(name);
    }
    return found;
}

qint32 le32(const QByteArray &b, qsizetype at)
{
    if (at < 0 || at + 4 > b.size())
        corrupt();
    const auto *p = reinterpret_cast<const uchar *>(b.constData() + at);
    return static_cast<qint32>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<quint32>(p[3]) << 24);
}

// A directory entry's name, as many UTF-16 units as it says it holds.
QString entryName(const QByteArray &directory, qsizetype at)
{
    const int nameBytes = static_cast<quint8>(directory[at + 64]) | static_cast<quint8>(directory[at + 65]) << 8;
    if (nameBytes < 2 || nameBytes > 64)
        return {};
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(directory.constData() + at), nameBytes / 2 - 1);
}

// Follows the allocation table of the compound file and refuses any sector
// that two chains claim, or one chain twice: the sign of a damaged file
// whose streams would silently carry each other's bytes.
class SectorCheck {
public:
    explicit SectorCheck(const QByteArray &file)
    {
        const int shift = static_cast<quint8>(file[30]) | static_cast<quint8>(file[31]) << 8;
        if (shift < 7 || shift > 16)
            corrupt();
        m_size = qsizetype(1) << shift;
        m_count = (file.size() - 512 + m_size - 1) / m_size;
        m_owner.assign(static_cast<size_t>(m_count), 0);

        std::vector<qint32> fatSectors;
        for (int i = 0; i < 109; ++i) {
            const qint32 sid = le32(file, 76 + 4 * i);
            if (sid >= 0)
                fatSectors.push_back(sid);
        }
        const qsizetype perSector = m_size / 4;
        qint32 difat = le32(file, 68);
        for (qsizetype guard = 0; difat >= 0; ++guard) {
            claim(difat, 1);
            for (qsizetype i = 0; i + 1 < perSector; ++i) {
                const qint32 sid = le32(file, offset(difat) + 4 * i);
                if (sid >= 0)
                    fatSectors.push_back(sid);
            }
            difat = le32(file, offset(difat) + 4 * (perSector - 1));
            if (guard > m_count)
                corrupt();
        }
        for (qint32 sid : fatSectors) {
            claim(sid, 2);
            for (qsizetype i = 0; i < perSector; ++i)
                m_fat.push_back(le32(file, offset(sid) + 4 * i));
        }
    }

    // Claims every sector of a chain and returns them in order. With a
    // `length`, a stream's size in sectors, no more than that many are
    // claimed: what the table links on behind them is never read (a stream
    // is read by its size, and a chain that runs on into the next stream's
    // sectors is found in files that spreadsheet programs open).
    std::vector<qint32> chain(qint32 start, quint8 owner, qint64 length = -1)
    {
        std::vector<qint32> sectors;
        for (qint32 sid = start; sid != EndOfChain && length != static_cast<qint64>(sectors.size());) {
            claim(sid, owner);
            sectors.push_back(sid);
            sid = m_fat[static_cast<size_t>(sid)];
        }
        return sectors;
    }
    qint64 sectorsFor(qint64 bytes) const { return (bytes + m_size - 1) / m_size; }

    qsizetype sectorSize() const { return m_size; }
    qsizetype offset(qint32 sid) const { return 512 + qsizetype(sid) * m_size; }

private:
    void claim(qint32 sid, quint8 owner)
    {
        if (sid < 0 || sid >= m_count || (owner > 2 && static_cast<size_t>(sid) >= m_fat.size())
            || m_owner[static_cast<size_t>(sid)] != 0)
            corrupt();
        m_owner[static_cast<size_t>(sid)] = owner;
    }

    qsizetype m_size = 512;
    qsizetype m_count = 0;
    std::vector<quint8> m_owner;
    std::vector<qint32> m_fat;
};

// Checks the chains that reading the workbook relies on: the directory, the
// small-stream container and its table, and the workbook stream itself, each
// as far as its size reaches. Other streams are never read, so whatever
// their chains do is no reason to refuse the workbook.
void checkSectors(const QByteArray &file)
{
    SectorCheck check(file);
    QByteArray directory;
    for (qint32 sid : check.chain(le32(file, 48), 3))
        directory.append(file.mid(check.offset(sid), check.sectorSize()));
    // The first entry is the root, in every compound file: without it the
    // directory is damaged, whatever the rest of it seems to hold.
    if (directory.size() < 128 || directory[66] != 5)
        corrupt();
    const qint32 cutoff = le32(file, 56);
    if (const qint64 container = static_cast<quint32>(le32(directory, 120)); container > 0) {
        check.chain(le32(directory, 116), 4, check.sectorsFor(container));
        if (le32(file, 60) >= 0)
            check.chain(le32(file, 60), 5);
    }
    for (qsizetype at = 0; at + 128 <= directory.size(); at += 128) {
        const QString name = entryName(directory, at);
        const qint64 size = static_cast<quint32>(le32(directory, at + 120));
        if (directory[at + 66] != 2 || !isWorkbookName(name) || size < cutoff)
            continue; // small streams live in the container checked above
        const qint64 length = check.sectorsFor(size);
        if (static_cast<qint64>(check.chain(le32(directory, at + 116), 6, length).size()) != length)
            corrupt(); // the workbook's own chain ends before its size
    }
}

// Streams by which the other Office programs' files are known: a compound
// file that holds one of them and no workbook is no spreadsheet. One that
// holds neither is taken for a workbook whose directory is damaged.
bool holdsOtherDocument(GsfInfile *ole)
{
    static const QStringList others{u"WordDocument"_s,  u"PowerPoint Document"_s,
                                    u"VisioDocument"_s, u"__nameid_version1.0"_s,
                                    u"Contents"_s,      u"FileHeader"_s};
    const int count = gsf_infile_num_children(ole);
    for (int i = 0; i < count; ++i) {
        const char *raw = gsf_infile_name_by_index(ole, i);
        if (raw && others.contains(QString::fromUtf8(raw), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace

bool isCompoundFile(const QByteArray &bytes) { return bytes.startsWith(QByteArrayView(Signature, 8)); }

QByteArray workbookStream(const QByteArray &file)
{
    if (!isCompoundFile(file) || file.size() < 512)
        corrupt(); // a compound file cut short inside its header
    checkSectors(file); // first, so that libgsf only ever sees a sound container
    static const bool initialised = [] {
        gsf_init();
        // A damaged file is reported to the operator as one message; libgsf's
        // own complaints about it would only clutter the terminal.
        g_log_set_handler(
            "libgsf:msole", GLogLevelFlags(G_LOG_LEVEL_MASK),
            [](const gchar *, GLogLevelFlags, const gchar *, gpointer) {}, nullptr);
        return true;
    }();
    (void)initialised;
    GError *error = nullptr;
    GsfInput *input = gsf_input_memory_new(reinterpret_cast<const guint8 *>(file.constData()), file.size(), FALSE);
    GsfInfile *ole = gsf_infile_msole_new(input, &error);
    g_object_unref(input);
    if (error)
        g_error_free(error);
    if (!ole)
        corrupt();
    GsfInput *stream = workbookChild(ole);
    // A password-protected .xlsx is kept in a compound file of its own: the
    // encrypted package beside the description of its encryption.
    bool encryptedPackage = false, otherDocument = false;
    if (!stream) {
        if (GsfInput *info = gsf_infile_child_by_name(ole, "EncryptionInfo")) {
            encryptedPackage = true;
            g_object_unref(info);
        }
        otherDocument = holdsOtherDocument(ole);
    }
    QByteArray bytes;
    bool ok = stream != nullptr;
    if (stream) {
        const gsf_off_t size = gsf_input_size(stream);
        ok = size >= 0 && size <= file.size();
        if (ok) {
            bytes.resize(static_cast<qsizetype>(size));
            ok = size == 0
                 || gsf_input_read(stream, static_cast<size_t>(size), reinterpret_cast<guint8 *>(bytes.data()));
        }
        g_object_unref(stream);
    }
    g_object_unref(ole);
    if (encryptedPackage)
        throw Biff::Error{Biff::Failure::Encrypted};
    if (!stream)
        throw Biff::Error{otherDocument ? Biff::Failure::NotAWorkbook : Biff::Failure::Corrupt};
    if (!ok)
        corrupt();
    return bytes;
}

} // namespace Ole
