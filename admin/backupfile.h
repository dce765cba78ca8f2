#pragma once
#include <QString>
#include <functional>

class Database;

// One file that carries the event to another machine (a USB stick, a spare
// laptop): a zip holding a consistent copy of the database, config.ini, and the
// pictures/ and photos/ folders beside the database when they exist.
namespace BackupFile {

// The file dialogs' filter.
QString filter();

// Why `target` may not take a backup of the open database: it is one of the
// files the backup reads (the database, its journal, config.ini, a file in
// pictures/ or photos/), which the zip would be written over. Empty when it
// may.
QString refusedTarget(Database &db, const QString &target);

// Writes the backup of the open database and the files beside it to `target`,
// which is replaced only once the new file is complete (the caller asks
// before an existing file is replaced). Throws AppError naming the file and
// the cause.
void save(Database &db, const QString &target);

struct RestoreOptions {
    // Called as the backup is unpacked, with the bytes written and the bytes
    // in all; the screen lets events through there.
    std::function<void(qint64 done, qint64 total)> progress;
    // Asked when the backup's config.ini holds another password than the one
    // in force: the password typed. The backup's is taken only when the one
    // typed is the one in force or the backup's; otherwise the one in force
    // stays, so that a backup never opens F2 with a password nobody here knows.
    std::function<QString()> askPassword;
    // The steps of the replacement, for the kill tests.
    std::function<void(int step)> afterStep;
};

// Puts the backup's data in place of the data in use: the database as a
// snapshot is restored (checked, upgraded, the data in use kept as a snapshot
// first), with config.ini and the folders the backup holds, all or nothing
// (store/restorejournal.h). The backup is unpacked beside the database first,
// each entry no larger than what a database, a settings file or a picture may
// be and all of them within the free space. A file that is not such a backup,
// or is damaged, is refused by name and nothing is changed. Throws AppError.
void restore(Database &db, const QString &file, const RestoreOptions &options = {});

} // namespace BackupFile
