#pragma once
#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

class Database;

// The proof of the draw as the file keeps it (DrawSeed, DrawRoster,
// DrawPress, DrawPressWinner). Like the draw record it only grows: a reset
// or a restore never takes a press back.
//
// One seed is live at a time: made before the first press after a reset or a
// reveal, its commitment shown until then; a reveal publishes every seed not
// yet revealed, a reset ends the live one unrevealed.
namespace ProofStore {

struct Seed {
    int number = 0;
    QByteArray seed; // 32 bytes
    QString commitment;
    QString made;
    QString revealed; // empty until revealed
};

// The live seed; one is made (from the system's secure source) and stored
// when there is none.
Seed liveSeed(Database &db);
// The live seed's commitment without making one: empty when none is live.
QString liveCommitment(Database &db);
// Every seed in number order.
std::vector<Seed> allSeeds(Database &db);
// Reveals every seed not yet revealed and returns them; the next press makes
// a new seed.
std::vector<Seed> reveal(Database &db);
// Within the reset's transaction: the live seed ends unrevealed.
void endLiveSeed(Database &db);

// The roster drawn from, as its rows' texts in canonical order (see
// rosterBytes()); stored once, found again by its SHA-256.
int rosterNumber(Database &db, const QByteArray &sha256Hex, const QByteArray &rows);
// The rows of a stored roster: [code, factory, department, name] each.
std::vector<std::array<QString, 4>> rosterRows(const QByteArray &rows);
// A stored roster's rows as kept (rosterBytes()); empty when there is none.
QByteArray storedRoster(Database &db, int number);
QByteArray rosterBytes(const std::vector<std::array<QString, 4>> &rows);
void appendText(QByteArray &to, const QString &text);

struct Press {
    int number = 0;
    int seed = 0;
    int roster = 0;
    QString when;
    int item = 0;
    QString itemName;
    QString prize;
    QString scope; // JSON: [[factory, department], …]
    int places = 0;
    int candidates = 1;
    // JSON: who was excluded or designated at the press's start, and who had
    // won when that may differ from the end of the press before.
    QString state;
    int logMark = 0; // the draw record's last RecNo at the press's start
};
struct PressWinner {
    int press = 0;
    int place = 0;
    QString code;
    QString factory;
    QString name;
    QString how;
};
// What a press starts from, read at once.
struct PressStart {
    int number = 0; // the number the press takes
    int logMark = 0; // the draw record's last RecNo
    // A winner may have been removed (deleted, absent, reset, restored) since
    // the last press began, or there was no press yet.
    bool winnersMayHaveLeft = true;
};
PressStart pressStart(Database &db);
void appendPress(Database &db, const Press &press);
void appendWinner(Database &db, const PressWinner &winner);
// The statement appendWinner() runs, for a caller that prepares it once:
// press, place, code, factory, name, how.
QLatin1String appendWinnerStatement();
std::vector<Press> allPresses(Database &db);
std::vector<PressWinner> allPressWinners(Database &db);

// A copy about to replace the data in use keeps the proof in use: its rows
// replace the copy's rows of the same number, the copy's other rows stay.
void keepProof(Database &copy, const QString &inUsePath);

} // namespace ProofStore
