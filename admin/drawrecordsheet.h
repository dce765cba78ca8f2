#pragma once
#include "sheets/worksheet.h"

#include <QString>

class Database;

// The draw record as a sheet: a header row naming the fields, then one row
// per record in the order written. 序号 and 奖项编号 are number cells; a
// record without an item leaves its item number empty.
Worksheet drawRecordSheet();

// Saves the draw record, read from the database a record at a time. Throws
// AppError (DbError when the reading fails).
void saveDrawRecord(const QString &path, Database &db);
