#include "media/picturecache.h"

#include <QFile>
#include <QFileInfo>
#include <QImageIOHandler>
#include <QImageReader>
#include <QPointer>
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

QString shownName(const QString &path) { return QFileInfo(path).fileName(); }

QString notAPicture(const QString &path)
{
    return u"文件“%1”不是图片，请选择 JPEG 或 PNG 图片。"_s.arg(shownName(path));
}

struct JpegShape {
    int scans = 0;
    bool whole = false; // the end marker was reached
};

// Walks a JPEG's segments as the decoder will: each scan's entropy-coded
// data runs to the next marker that is not a stuffed byte or a restart.
JpegShape jpegShape(const uchar *data, qint64 size)
{
    JpegShape shape;
    qint64 at = 2;
    while (at + 1 < size) {
        if (data[at] != 0xFF) {
            ++at;
            continue;
        }
        const uchar marker = data[at + 1];
        at += 2;
        if (marker == 0xFF) {
            --at; // fill byte
            continue;
        }
        if (marker == 0xD9) {
            shape.whole = true;
            return shape;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        if (at + 2 > size)
            return shape;
        at += (qint64(data[at]) << 8) | data[at + 1];
        if (marker != 0xDA)
            continue;
        if (++shape.scans > kMostJpegScans)
            return shape;
        while (at + 1 < size
               && !(data[at] == 0xFF && data[at + 1] != 0x00 && !(data[at + 1] >= 0xD0 && data[at + 1] <= 0xD7)))
            ++at;
    }
    return shape;
}

QString damagedText(const QString &path, const QString &cause)
{
    return u"图片“%1”已损坏，无法读取（%2），请换一张图片。"_s.arg(shownName(path), cause);
}

} // namespace

QString checkPictureFile(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return u"找不到图片文件“%1”，请重新选择。"_s.arg(path);
    QImageReader reader(path);
    // What the file holds decides, not its name: a text file named .jpg is refused.
    reader.setDecideFormatFromContent(true);
    if (!reader.canRead())
        return notAPicture(path);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > kMostPicturePixels)
        return u"图片“%1”太大（%2 × %3 像素，超过 1 亿像素），请缩小后再选择。"_s.arg(shownName(path))
            .arg(size.width())
            .arg(size.height());
    if (reader.format() == "jpeg") {
        QFile file(path);
        const qint64 length = file.size();
        const uchar *bytes = file.open(QIODevice::ReadOnly) ? file.map(0, length) : nullptr;
        if (!bytes)
            return damagedText(path, file.errorString());
        const JpegShape shape = jpegShape(bytes, length);
        if (shape.scans > kMostJpegScans)
            return damagedText(path, u"扫描层超过 %1 层"_s.arg(kMostJpegScans));
        if (!shape.whole)
            return damagedText(path, u"文件不完整"_s);
    }
    return {};
}

PictureRead readPictureFile(const QString &path, const QSize &cover, const QSize &inside)
{
    if (const QString error = checkPictureFile(path); !error.isEmpty())
        return {QImage(), error};
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    reader.setAllocationLimit(kMostDecodingMegabytes);
    const QSize size = reader.size();
    QSize decoded = size;
    if (size.isValid() && std::max(size.width(), size.height()) > kLargestDecodedSide)
        decoded = size.scaled(kLargestDecodedSide, kLargestDecodedSide, Qt::KeepAspectRatio);
    // The size asked for is upright; the file's may be turned by its EXIF orientation.
    const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
    const QSize needed = (cover.isEmpty() ? inside : cover);
    if (size.isValid() && !needed.isEmpty()) {
        const QSize upright = turned ? needed.transposed() : needed;
        const QSize enough =
            size.scaled(upright, cover.isEmpty() ? Qt::KeepAspectRatio : Qt::KeepAspectRatioByExpanding);
        if (enough.width() < decoded.width())
            decoded = enough;
    }
    if (decoded != size)
        reader.setScaledSize(decoded);
    QImage image = reader.read();
    if (image.isNull())
        return {QImage(), damagedText(path, reader.error() == QImageReader::InvalidDataError
                                                ? u"图片数据无效"_s
                                                : u"%1（%2）"_s.arg(u"解码失败"_s, reader.errorString()))};
    // One format for every picture: painting never converts again.
    image = image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                    : image.convertToFormat(QImage::Format_RGB32);
    return {image, QString()};
}

PictureRead readPictureAway(const QString &path, const std::function<void()> &waiting)
{
    struct Shared {
        std::mutex mutex;
        std::condition_variable done;
        bool ready = false;
        PictureRead read;
    };
    const auto shared = std::make_shared<Shared>();
    std::thread([shared, path] {
        PictureRead read = readPictureFile(path);
        const std::lock_guard lock(shared->mutex);
        shared->read = std::move(read);
        shared->ready = true;
        shared->done.notify_all();
    }).detach();
    std::unique_lock lock(shared->mutex);
    while (!shared->done.wait_for(lock, std::chrono::milliseconds(20), [&] { return shared->ready; })) {
        lock.unlock();
        if (waiting)
            waiting();
        lock.lock();
    }
    return std::move(shared->read);
}

// The decoding thread of a cache that decodes elsewhere. It outlives the
// cache when a decoding is under way as the cache goes: its result is dropped.
struct PictureCache::Worker {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::pair<Key, QString>> jobs;
    PictureCache *owner = nullptr; // null once the cache is gone

    static void run(const std::shared_ptr<Worker> &self)
    {
        for (;;) {
            std::pair<Key, QString> job;
            {
                std::unique_lock lock(self->mutex);
                self->wake.wait(lock, [&] { return !self->jobs.empty() || !self->owner; });
                if (!self->owner)
                    return;
                job = std::move(self->jobs.front());
                self->jobs.pop_front();
            }
            Entry result = decodeFor(job.first, job.second);
            const std::lock_guard lock(self->mutex);
            if (!self->owner)
                return;
            // Posted while the cache is known to live; a cache destroyed
            // before the event is delivered takes the event with it.
            PictureCache *cache = self->owner;
            QMetaObject::invokeMethod(
                cache,
                [cache, key = job.first, result = std::move(result)]() mutable {
                    cache->m_pending.remove(key);
                    if (!result.error.isEmpty()) {
                        Key whole = key;
                        whole.size = QSize();
                        whole.fit = 0;
                        cache->insert(whole, result);
                    }
                    cache->insert(key, std::move(result));
                    Q_EMIT cache->decoded();
                },
                Qt::QueuedConnection);
        }
    }
};

PictureCache::PictureCache(qint64 byteLimit, QObject *parent) : QObject(parent), m_limit(byteLimit) {}

PictureCache::~PictureCache() { setDecodeElsewhere(false); }

void PictureCache::setDecodeElsewhere(bool on)
{
    if (on == bool(m_worker))
        return;
    if (on) {
        m_worker = std::make_shared<Worker>();
        m_worker->owner = this;
        std::thread(&Worker::run, m_worker).detach();
        return;
    }
    {
        const std::lock_guard lock(m_worker->mutex);
        m_worker->owner = nullptr;
        m_worker->jobs.clear();
    }
    m_worker->wake.notify_all();
    m_worker.reset();
    m_pending.clear();
}

void PictureCache::decodeElsewhere(const Key &key)
{
    if (m_pending.contains(key))
        return;
    m_pending.insert(key);
    ++m_decodes;
    {
        const std::lock_guard lock(m_worker->mutex);
        m_worker->jobs.emplace_back(key, key.path);
    }
    m_worker->wake.notify_one();
}

qint64 PictureCache::stampOf(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() ? info.lastModified().toMSecsSinceEpoch() ^ (info.size() << 20) : -1;
}

void PictureCache::insert(const Key &key, Entry entry)
{
    if (auto held = m_entries.find(key); held != m_entries.end()) {
        m_bytes -= held->image.sizeInBytes();
        m_entries.erase(held);
    }
    entry.used = ++m_clock;
    m_bytes += entry.image.sizeInBytes();
    m_entries.insert(key, std::move(entry));
    trim();
}

void PictureCache::trim()
{
    while (m_bytes > m_limit && m_entries.size() > 1) {
        auto oldest = m_entries.begin();
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it)
            if (it->used < oldest->used)
                oldest = it;
        m_bytes -= oldest->image.sizeInBytes();
        m_entries.erase(oldest);
    }
}

namespace {

QImage scaledFor(const QImage &image, const QSize &size, PictureCache::Fit fit)
{
    if (fit == PictureCache::Fit::Cover) {
        // Cropped to the size's proportions first: a long strip scaled
        // up whole before the crop would take gigabytes for a moment.
        const QSize part = size.scaled(image.size(), Qt::KeepAspectRatio);
        const QImage cropped = image.copy((image.width() - part.width()) / 2, (image.height() - part.height()) / 2,
                                          part.width(), part.height());
        return cropped.size() == size ? cropped : cropped.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    const QSize fitted = image.size().scaled(size, Qt::KeepAspectRatio);
    return fitted == image.size() ? image : image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace

PictureCache::Entry PictureCache::decodeFor(const Key &key, const QString &path)
{
    const bool cover = static_cast<Fit>(key.fit) == Fit::Cover;
    PictureRead read = key.size.isEmpty()
                           ? readPictureFile(path)
                           : readPictureFile(path, cover ? key.size : QSize(), cover ? QSize() : key.size);
    if (!read.image.isNull() && !key.size.isEmpty())
        read.image = scaledFor(read.image, key.size, static_cast<Fit>(key.fit));
    return Entry{std::move(read.image), std::move(read.error)};
}

const PictureCache::Entry &PictureCache::entry(const Key &key, const QString &path)
{
    auto found = m_entries.find(key);
    if (found != m_entries.end()) {
        found->used = ++m_clock;
        return *found;
    }
    if (m_worker) {
        // A refusal stands for the file, whatever size is asked.
        Key whole = key;
        whole.size = QSize();
        whole.fit = 0;
        if (auto refused = m_entries.find(whole); refused != m_entries.end() && !refused->error.isEmpty())
            return *refused;
        decodeElsewhere(key);
        static const Entry notYet;
        return notYet;
    }
    if (key.size.isEmpty()) {
        ++m_decodes;
        insert(key, decodeFor(key, path));
        return *m_entries.find(key);
    }
    Key whole = key;
    whole.size = QSize();
    whole.fit = 0;
    // Copied: inserting the scaled picture may push the decoded one out.
    Entry source;
    if (auto held = m_entries.constFind(whole); held != m_entries.cend()) {
        source = *held;
    } else {
        ++m_decodes;
        const bool cover = static_cast<Fit>(key.fit) == Fit::Cover;
        PictureRead read = readPictureFile(path, cover ? key.size : QSize(), cover ? QSize() : key.size);
        source = Entry{std::move(read.image), std::move(read.error)};
        // A refusal stands for the file, whatever size is asked next.
        if (!source.error.isEmpty())
            insert(whole, source);
    }
    Entry result{QImage(), source.error};
    if (!source.image.isNull()) {
        ++m_scalings;
        result.image = scaledFor(source.image, key.size, static_cast<Fit>(key.fit));
    }
    insert(key, std::move(result));
    return *m_entries.find(key);
}

QImage PictureCache::scaled(const QString &path, const QSize &size, Fit fit, QString *error)
{
    if (size.isEmpty())
        return picture(path, error);
    const Entry &e = entry(Key{path, stampOf(path), size, static_cast<int>(fit)}, path);
    if (error)
        *error = e.error;
    return e.image;
}

QImage PictureCache::picture(const QString &path, QString *error)
{
    const Entry &e = entry(Key{path, stampOf(path), QSize(), 0}, path);
    if (error)
        *error = e.error;
    return e.image;
}

void PictureCache::clear()
{
    m_entries.clear();
    m_bytes = 0;
}
