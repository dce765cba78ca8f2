#pragma once
#include <QHash>
#include <QImage>
#include <QList>
#include <QSize>
#include <QString>

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

// Checks the header only: the error text, or empty when the file may be read.
QString checkPictureFile(const QString &path);
// Decodes the file, at most kLargestDecodedSide on its longer side. With
// `cover` or `inside` set, decoded only as large as needed to cover that size
// or to fill it at its own proportions (a JPEG decodes at an eighth of its
// size about eight times faster, and a large picture is never held whole).
PictureRead readPictureFile(const QString &path, const QSize &cover = QSize(), const QSize &inside = QSize());

// Pictures at the sizes asked for, keyed by file (with its size and time, so
// that a replaced file is read again) and by the size. A size is decoded and
// scaled once while it stays in the cache, decoded no larger than it needs
// (from the whole picture when that was asked for and is still held); the
// least recently used entries leave once the bytes held pass the limit. A refused file is remembered as refused until
// it changes, so a bad picture is neither decoded nor reported again at every paint.
class PictureCache {
public:
    enum class Fit {
        Cover, // fills the size, cropped about the centre, never stretched
        Inside // as large as fits in the size, at its own proportions
    };

    explicit PictureCache(qint64 byteLimit = 192LL * 1024 * 1024);

    // The picture at `size` in pixels; null with `error` set when refused.
    QImage scaled(const QString &path, const QSize &size, Fit fit, QString *error = nullptr);
    // The decoded picture itself.
    QImage picture(const QString &path, QString *error = nullptr);

    void clear();

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

    static qint64 stampOf(const QString &path);
    const Entry &entry(const Key &key, const QString &path);
    void insert(const Key &key, Entry entry);
    void trim();

    qint64 m_limit;
    qint64 m_bytes = 0;
    quint64 m_clock = 0;
    QHash<Key, Entry> m_entries;
    int m_decodes = 0;
    int m_scalings = 0;
};
