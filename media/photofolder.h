#pragma once
#include "base/lookfiles.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>

// The people's photos in a folder, found by code: <code>.jpg or <code>.png,
// or <factory>/<code>.jpg|.png where a code repeats across factories (the
// factory's own photo wins). The folder is listed once when this is made;
// a lookup is then a hash lookup, fast enough for every winner of a press.
class PhotoFolder {
public:
    PhotoFolder() = default;
    explicit PhotoFolder(const QString &folder);

    // The photo's full path; empty when the person has none.
    QString photoOf(const QString &code, const QString &factory) const;
    bool isEmpty() const { return m_byCode.isEmpty() && m_byFactory.isEmpty(); }

    // The file names taken for photos: .jpg, .jpeg and .png in any case; of
    // two files for one code the first of these in order wins.
    static bool isPhotoName(const QString &fileName);

private:
    QHash<QString, QString> m_byCode;
    QHash<std::pair<QString, QString>, QString> m_byFactory;
};

// What a copy of photos into the folder did.
struct PhotoCopy {
    int copied = 0;
    // Where each copied photo now lies.
    QStringList copiedFiles;
    // Files with a photo's name that are no picture (damaged, too large),
    // each with the reason; they are not copied.
    QStringList refused;
    // Files that could not be written, with the reason.
    QStringList failed;
    // Sub-folders that name no factory: the stage would never look there,
    // so they are not copied.
    QStringList skippedFolders;
};

// Copies the photos of `from` and of its sub-folders one level down that
// are named after one of `factories` into `to`, keeping the sub-folders; a
// photo already there is replaced. Each is checked as a picture before it is
// copied, and made as a new file (the data folder's owner-only mode holds).
PhotoCopy copyPhotos(const QString &from, const QString &to, const QSet<QString> &factories);

// A picture chosen by the operator, copied into the data folder's pictures/.
struct StoredPicture {
    QString fileName; // as stored, inside the folder; empty when refused
    QString error; // names the chosen file and says what to do
};

// Reads `source` through as a picture (refusing what readPictureFile
// refuses) and copies it into `folder` as `baseName`.<its suffix, lower
// case>, replacing a file of that name; the folder is made when missing.
// With `onlyOne`, files of that base name with other suffixes go. With
// `waiting`, the picture is read on a thread of its own and `waiting` called
// meanwhile (readPictureAway()): a screen stays alive while a large one is read.
StoredPicture storePicture(const QString &source, const QString &folder, const QString &baseName, bool onlyOne = false,
                           const std::function<void()> &waiting = {});
