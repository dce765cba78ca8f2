#pragma once
#include "sheets/sheetcells.h"

#include <QByteArray>
#include <QString>

// A roster saved as a text file, read the way Excel reads a .txt by default:
//  - encoding: UTF-16 when the file starts with its byte-order mark, UTF-8
//    when it starts with the UTF-8 mark or is valid UTF-8 throughout, GBK
//    otherwise;
//  - one row per line; lines end in CR LF, LF or a lone CR;
//  - columns separated by tabs; a field that starts with a double quote runs
//    to the closing quote (tabs inside belong to it, "" stands for one quote);
//  - a field that is a plain decimal number (0012, -3, 12.50, 1e3) becomes a
//    number as in Excel, so 0012 arrives as 12; digit strings longer than 15
//    digits stay text, since a number would lose their last digits;
//  - everything else stays as written, blanks included.
namespace TextRoster {

// True for the bytes of a text file rather than of some binary format.
bool looksLikeText(const QByteArray &bytes);
QString decode(const QByteArray &bytes);
SheetCells parse(const QString &text);

} // namespace TextRoster
