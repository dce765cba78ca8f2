#pragma once
#include "sheets/sheetcells.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

// A roster saved as a text file, read the way Excel opens one:
//  - encoding: UTF-16 when the file starts with its byte-order mark, UTF-8
//    when it starts with the UTF-8 mark or is valid UTF-8 throughout, GBK
//    otherwise, read as GB18030 (GBK and its four-byte characters); NUL
//    characters are dropped;
//  - one row per line; lines end in CR LF, LF or a lone CR;
//  - columns separated by tabs (a .txt) or commas (a .csv); a field that
//    starts with a double quote runs to its closing quote, "" standing for one
//    quote; in a .csv a line break inside quotes belongs to the field, in a
//    tab-separated file a line end closes the quote;
//  - a field that is a plain decimal number (0012, -3, 12.50, 1e3) becomes a
//    number as in Excel, so 0012 arrives as 12; digit strings longer than 15
//    digits stay text, since a number would lose their last digits;
//  - everything else stays as written, blanks included.
// The file is read in blocks: memory does not grow with its size.
namespace TextRoster {

enum class Dialect { Tabs, Commas };

// True for the first bytes of a text file rather than of some binary format.
bool looksLikeText(QByteArrayView head);

// Reads the whole device (from its start, twice: once to settle the
// encoding) and hands every cell of the first four columns to the sink.
// Throws ReadingStopped when the sink asks to stop.
void read(QIODevice &device, Dialect dialect, CellSink &sink);

// The text of a field as a cell holds it (the number rule above).
QString cellText(const QString &field);

} // namespace TextRoster
