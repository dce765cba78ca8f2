#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

// Replays every press of a proof file from the file alone, with the draw's
// own rule of who may be drawn (Eligibility) and its generator, and says for
// each whether its random winners follow from the revealed seed.
struct ProofVerdict {
    // Empty when the file could be replayed; else why it is refused.
    QString refusal;
    // One line per press, the summary, and the winners drawn outside any press.
    QStringList lines;
    // 0: every press 一致; 1: one is 不一致 or 无法验证; 2: refused.
    int exitCode = 2;
};

ProofVerdict checkProof(const QByteArray &file);
// Reads the file first; a file that cannot be read is refused with the reason.
ProofVerdict checkProofFile(const QString &path);
