#pragma once
#include <QString>
#include <QStringList>

// The names of the stage's picture files in the data folder, which the
// settings' grids delete with their items and the stage finds: file work
// only, no picture is read here.

// The suffixes taken for pictures and photos, in the order of preference when
// one name has several: .jpg, .jpeg, .png (matched in any case).
const QStringList &pictureSuffixes();
// The existing files `baseName`.<suffix> in `folder`, in that order.
QStringList filesOfBaseName(const QString &folder, const QString &baseName);

// A prize item's picture: prize-<recNo>.jpg|.jpeg|.png in `folder`; empty when none.
QString prizePicturePath(const QString &folder, int recNo);
QString prizePictureBaseName(int recNo);
// Deletes the item's picture, whatever its suffix.
void removePrizePicture(const QString &folder, int recNo);
