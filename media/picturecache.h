#pragma once
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QSet>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>

// A picture file read as input: through Qt's image plugins (libjpeg for
// JPEG), refused with a message naming the file when it is not a picture, is
// damaged, or is larger than the program will hold.
struct PictureRead {
    QImage image; // null when refused
    QString error; // the operator's words; empty when read
};

// The largest picture accepted, counted from the file's header before
// anything is decoded: a 12000 x 9000 photo from a camera would otherwise
// take half a gigabyte just to be refused by the screen.
constexpr qint64 kMostPicturePixels = 100'000'000;
// A larger picture is decoded reduced to this side (JPEG decodes at an
// eighth, quarter or half size at once): nothing the program draws needs more
// than a 4K screen covered.
constexpr int kLargestDecodedSide = 4096;
// The memory one decoding may take. Formats that cannot decode at a reduced
// size (PNG, TIFF) hold the whole picture for a moment: 100 megapixels in 8
// bits a channel take 400 MB.
constexpr int kMostDecodingMegabytes = 512;
// A progressive JPEG is decoded scan by scan over the whole picture; cameras
// and editors write about ten. Thousands of empty scans in a small file
// would keep the decoder busy for minutes.
constexpr int kMostJpegScans = 100;

// Checks the header (and, for a JPEG, the structure of its segments: the
// number of scans, and that the file is whole): the error text, or empty when
// the file may be read.
QString checkPictureFile(const QString &path);
// Decodes the file, at most kLargestDecodedSide on its longer side. With
// `cover` or `inside` set, decoded only as large as needed to cover that size
// or to fill it at its own proportions (a JPEG decodes at an eighth of its
// size about eight times faster, and a large picture is never held whole).
PictureRead readPictureFile(const QString &path, const QSize &cover = QSize(), const QSize &inside = QSize());
// The same on a thread of its own, for a screen that must not freeze while a
// large picture is read: `waiting` is called on the caller's thread every few
// milliseconds until the picture is read.
PictureRead readPictureAway(const QString &path, const std::function<void()> &waiting);

// Pictures at the sizes asked for, keyed by file (with its size and time, so
// that a replaced file is read again) and by the size. A size is decoded and
// scaled once while it stays in the cache, decoded no larger than it needs
// (from the whole picture when that was asked for and is still held); the
// least recently used entries leave once the bytes held pass the limit. A refused file is remembered as refused until
// it changes, so a bad picture is neither decoded nor reported again at every paint.
class PictureCache : public QObject {
    Q_OBJECT
public:
    enum class Fit {
        Cover, // fills the size, cropped about the centre, never stretched
        Inside // as large as fits in the size, at its own proportions
    };

    explicit PictureCache(qint64 byteLimit = 192LL * 1024 * 1024, QObject *parent = nullptr);
    ~PictureCache() override;

    // Off (as made): scaled() and picture() decode on the caller's thread when
    // the picture is not held. On: they never do; such a picture is decoded
    // on a thread of the cache's own while the caller goes on with null (and
    // no error), and decoded() says when it is held, or refused. The stage
    // turns it on: a press never waits for a photo.
    void setDecodeElsewhere(bool on);
    // Requests not yet answered by the decoding thread.
    int decodesPending() const { return int(m_pending.size()); }

    // The picture at `size` in pixels; null with `error` set when refused.
    QImage scaled(const QString &path, const QSize &size, Fit fit, QString *error = nullptr);
    // The decoded picture itself.
    QImage picture(const QString &path, QString *error = nullptr);

    void clear();

Q_SIGNALS:
    // A picture asked for while decoding elsewhere is now held (or refused).
    void decoded();

public:
    // For the tests and the benchmark.
    int decodes() const { return m_decodes; }
    int scalings() const { return m_scalings; }
    qint64 bytesHeld() const { return m_bytes; }

private:
    struct Key {
        QString path;
        qint64 stamp = 0;
        QSize size; // empty: the decoded picture
        int fit = 0;
        friend bool operator==(const Key &, const Key &) = default;
    };
    friend size_t qHash(const Key &key, size_t seed) noexcept
    {
        return qHashMulti(seed, key.path, key.stamp, key.size.width(), key.size.height(), key.fit);
    }
    struct Entry {
        QImage image;
        QString error;
        quint64 used = 0;
    };

    struct Worker;
    static qint64 stampOf(const QString &path);
    static Entry decodeFor(const Key &key, const QString &path);
    void decodeElsewhere(const Key &key);
    const Entry &entry(const Key &key, const QString &path);
    void insert(const Key &key, Entry entry);
    void trim();

    qint64 m_limit;
    qint64 m_bytes = 0;
    quint64 m_clock = 0;
    QHash<Key, Entry> m_entries;
    int m_decodes = 0;
    int m_scalings = 0;
    std::shared_ptr<Worker> m_worker; // null while decoding here
    QSet<Key> m_pending;
};
