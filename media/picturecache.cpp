#include "media/picturecache.h"

#include <QFileInfo>
#include <QImageIOHandler>
#include <QImageReader>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QString shownName(const QString &path) { return QFileInfo(path).fileName(); }

QString notAPicture(const QString &path)
{
    return u"文件“%1”不是图片，请选择 JPEG 或 PNG 图片。"_s.arg(shownName(path));
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
    return {};
}

PictureRead readPictureFile(const QString &path, const QSize &cover, const QSize &inside)
{
    if (const QString error = checkPictureFile(path); !error.isEmpty())
        return {QImage(), error};
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
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
        return {QImage(),
                u"图片“%1”已损坏，无法读取（%2），请换一张图片。"_s.arg(shownName(path), reader.errorString())};
    // One format for every picture: painting never converts again.
    image = image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                    : image.convertToFormat(QImage::Format_RGB32);
    return {image, QString()};
}

PictureCache::PictureCache(qint64 byteLimit) : m_limit(byteLimit) {}

qint64 PictureCache::stampOf(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() ? info.lastModified().toMSecsSinceEpoch() ^ (info.size() << 20) : -1;
}

void PictureCache::insert(const Key &key, Entry entry)
{
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

const PictureCache::Entry &PictureCache::entry(const Key &key, const QString &path)
{
    auto found = m_entries.find(key);
    if (found != m_entries.end()) {
        found->used = ++m_clock;
        return *found;
    }
    if (key.size.isEmpty()) {
        ++m_decodes;
        PictureRead read = readPictureFile(path);
        insert(key, Entry{std::move(read.image), std::move(read.error)});
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
        const QImage &image = source.image;
        if (static_cast<Fit>(key.fit) == Fit::Cover) {
            // Cropped to the size's proportions first: a long strip scaled
            // up whole before the crop would take gigabytes for a moment.
            const QSize part = key.size.scaled(image.size(), Qt::KeepAspectRatio);
            const QImage cropped = image.copy((image.width() - part.width()) / 2, (image.height() - part.height()) / 2,
                                              part.width(), part.height());
            result.image = cropped.size() == key.size
                               ? cropped
                               : cropped.scaled(key.size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        } else {
            const QSize fitted = image.size().scaled(key.size, Qt::KeepAspectRatio);
            result.image =
                fitted == image.size() ? image : image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
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
