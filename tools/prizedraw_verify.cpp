// prizedraw-verify: replays every press of a proof file and says whether each
// random winner follows from its revealed seed.
//   prizedraw-verify FILE.json
// Exit status: 0 when every press is 一致, 1 when one is 不一致 or 无法验证,
// 2 when the file is refused (the reason on the standard error).
#include "draw/proofcheck.h"

#include <QCoreApplication>
#include <QTextStream>

using namespace Qt::StringLiterals;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    if (args.size() != 2) {
        err << u"用法: prizedraw-verify 抽奖证明.json"_s << "\n";
        return 2;
    }
    const ProofVerdict verdict = checkProofFile(args[1]);
    if (!verdict.refusal.isEmpty()) {
        err << u"拒绝: %1: %2"_s.arg(args[1], verdict.refusal) << "\n";
        return 2;
    }
    for (const QString &line : verdict.lines)
        out << line << "\n";
    return verdict.exitCode;
}
