#pragma once
#include <QString>

class Database;

// One file that carries the event to another machine (a USB stick, a spare
// laptop): a zip holding a consistent copy of the database, config.ini, and the
// pictures/ and photos/ folders beside the database when they exist.
namespace BackupFile {

// The file dialogs' filter.
QString filter();

// Writes the backup of the open database and the files beside it to `target`,
// which is replaced only once the new file is complete. Throws AppError naming
// the file and the cause.
void save(Database &db, const QString &target);

// Puts the backup's data in place of the data in use: the database as a
// snapshot is restored (checked, upgraded, the data in use kept as a snapshot
// first), then config.ini and the folders the backup holds. A file that is not
// such a backup is refused by name and nothing is changed. Throws AppError.
void restore(Database &db, const QString &file);

} // namespace BackupFile
