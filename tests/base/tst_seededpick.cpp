// The draw's generator: its first outputs for a known seed (the same vector
// the Python verifier's test checks, computed there independently), the
// rejection of the values above the last whole multiple, and that its draws
// are uniform over the people who may be drawn.
#include "base/seededpick.h"

#include <QtTest>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {
QByteArray knownSeed()
{
    QByteArray seed;
    for (int i = 0; i < 32; ++i)
        seed.append(static_cast<char>(i));
    return seed;
}

QString hex16(std::uint64_t v) { return u"%1"_s.arg(v, 16, 16, QChar(u'0')); }
} // namespace

class tst_seededpick : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pinnedVector()
    {
        const QByteArray seed = knownSeed();
        QCOMPARE(SeededPick::commitmentOf(seed), u"630dcd2966c4336691125448bbb25b4ff412a49c732db2c8abc1b8581bd710dd"_s);
        QCOMPARE(SeededPick::block(seed, 1, 0, 0).toHex(),
                 QByteArray("7b732d477ac077c77308f6a057de0931488958c337840fe1079bb02f2bc26f70"));
        QStringList values;
        for (std::uint64_t step = 0; step < 6; ++step)
            values << hex16(SeededPick::value(seed, 1, step, 0));
        QCOMPARE(values.join(u' '), u"7b732d477ac077c7 372f700e78162169 fc54ba09e6367f53 6ce2a522fc0c62dc "
                                    "63095c9d1b70eae3 d9137ef8aa2b5a1f"_s);
        const std::vector<std::pair<std::uint64_t, std::vector<std::uint64_t>>> below = {
            {10, {1, 3, 5, 0, 7, 9}}, // press 1
            {1, {0, 0, 0, 0, 0}}, // press 7 from here on
            {2, {0, 1, 0, 1, 0}},
            {3, {2, 1, 2, 1, 1}},
            {1000000, {934664, 428719, 554148, 440911, 101880}},
            {2147483647, {2001936579, 998666450, 1296140218, 1390204170, 891261013}},
        };
        for (const auto &[n, want] : below) {
            for (size_t step = 0; step < want.size(); ++step)
                QCOMPARE(SeededPick::below(seed, n == 10 ? 1 : 7, step, n), want[step]);
        }
        // A huge n makes the rejection run: step 2 lands on attempt 3, step 5 on attempt 1.
        const std::uint64_t huge = (std::uint64_t(1) << 63) + 1;
        QCOMPARE(hex16(SeededPick::value(seed, 1, 2, 3)), u"30d8cb01d0c075c8"_s);
        QCOMPARE(SeededPick::below(seed, 1, 2, huge), std::uint64_t(3519786317447722440ull));
        QCOMPARE(SeededPick::below(seed, 1, 5, huge), std::uint64_t(1356816092681209819ull));
        QCOMPARE(SeededPick::below(seed, 1, 0, huge), std::uint64_t(8895503474012223431ull));
    }

    // Each index as likely as any other, for sizes that divide 2^64 and sizes
    // that do not, over many seeds and steps: a chi-square test at a fixed
    // seed list, so that its verdict never depends on chance.
    void uniform_data()
    {
        QTest::addColumn<int>("n");
        QTest::addRow("7 people") << 7;
        QTest::addRow("16 people") << 16;
        QTest::addRow("1000 people") << 1000;
    }
    void uniform()
    {
        QFETCH(int, n);
        const int draws = 200 * n;
        std::vector<int> counts(static_cast<size_t>(n), 0);
        QByteArray seed = knownSeed();
        for (int i = 0; i < draws; ++i) {
            seed[0] = static_cast<char>(i % 251);
            ++counts[static_cast<size_t>(SeededPick::below(seed, 1 + i / 251, static_cast<std::uint64_t>(i), n))];
        }
        double chi = 0;
        const double expected = double(draws) / n;
        for (int c : counts)
            chi += (c - expected) * (c - expected) / expected;
        // Far beyond the 99.9% point of chi-square with n-1 degrees of freedom
        // (Wilson-Hilferty), yet far below what a biased pick gives.
        const double k = n - 1;
        const double limit = k * std::pow(1 - 2 / (9 * k) + 3.09 * std::sqrt(2 / (9 * k)), 3);
        QVERIFY2(chi < limit, qPrintable(u"chi-square %1 over %2"_s.arg(chi).arg(limit)));
        // Every index is drawn.
        QVERIFY(*std::min_element(counts.begin(), counts.end()) > 0);
    }

    void newSeedsDiffer()
    {
        const QByteArray a = SeededPick::newSeed(), b = SeededPick::newSeed();
        QCOMPARE(a.size(), 32);
        QVERIFY(a != b);
        QCOMPARE(SeededPick::commitmentOf(a).size(), 64);
    }
};

QTEST_GUILESS_MAIN(tst_seededpick)
#include "tst_seededpick.moc"
