#pragma once
#include "sheets/worksheet.h"
#include "store/rows.h"

#include <vector>

// The draw record as a sheet for export: a header row naming the fields, then
// one row per record in the order written. A record without an item leaves
// its item number empty.
Worksheet drawRecordWorksheet(const std::vector<DrawRecord> &records);
