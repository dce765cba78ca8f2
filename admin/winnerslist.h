#pragma once
#include "sheets/worksheet.h"

#include <QString>
#include <vector>

class Database;

// One line of the winners list: a winner with the prize item won.
struct ListedWinner {
    QString sNo;
    QString sName;
    QString ItemName;
    QString Awards;
    QString sCompCode;
    int RecNo = 0; // of the prize item, not of the winner row
};

// Who a winner is, in one line: "一等奖（电脑）：一厂 1001 张三".
QString winnerDescription(const ListedWinner &winner);

// Every winner whose prize item still exists, in prize item number order.
std::vector<ListedWinner> loadWinnersList(Database &db);

// The list's columns as shown and exported, left to right.
struct WinnersListColumn {
    const char16_t *header;
    int widthPx;
    bool centred;
    QString ListedWinner::*field;
};
const std::vector<WinnersListColumn> &winnersListColumns();

// The list's sheet as saved: a header row, then every row in list order, all
// cells text (codes keep their leading zeros).
Worksheet winnersSheet();

// Saves the rows a screen holds, or the list read from the database a row at
// a time, never held whole. Throws AppError (DbError when the reading fails).
void saveWinnersList(const QString &path, const std::vector<ListedWinner> &winners);
void saveWinnersList(const QString &path, Database &db);
