#pragma once
#include <QString>

class Database;

// The proof file of the draw (docs/proof-format.md): the seeds with their
// commitments, the rosters drawn from, every press with what changed since
// the one before and its winners, and what changed after the last press.
// UTF-8 JSON, sealed by the SHA-256 of everything before its last member,
// written whole or not at all. Throws AppError with the operator's message.
void writeProof(Database &db, const QString &path);
// The file's contents, for writeProof and the tests.
QByteArray proofBytes(Database &db, const QString &written);
