// Large buffers: every byte asked for is there, on either side of the size
// from which they come in large pages, and a zeroed one reads as zeroes.
#include "base/largebuffer.h"

#include <QtTest>
#include <algorithm>

class TestLargeBuffer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyByteUsable_data()
    {
        QTest::addColumn<qsizetype>("size");
        QTest::addColumn<bool>("zeroed");
        const qsizetype page = qsizetype(2) << 20;
        for (const qsizetype size : {qsizetype(1), page - 1, page, page + 1, 5 * page + 4097}) {
            QTest::addRow("%lld bytes", static_cast<long long>(size)) << size << false;
            QTest::addRow("%lld bytes zeroed", static_cast<long long>(size)) << size << true;
        }
    }
    void everyByteUsable()
    {
        QFETCH(qsizetype, size);
        QFETCH(bool, zeroed);
        LargeBuffer buffer(static_cast<std::size_t>(size),
                           zeroed ? LargeBuffer::Fill::Zeroes : LargeBuffer::Fill::Uninitialised);
        QVERIFY(buffer);
        QCOMPARE(buffer.size(), static_cast<std::size_t>(size));
        char *const bytes = buffer.data();
        if (zeroed)
            QVERIFY(std::all_of(bytes, bytes + size, [](char c) { return c == 0; }));
        // Written at both ends and everywhere between: a mapping cut short faults here.
        std::fill(bytes, bytes + size, '\x5A');
        QCOMPARE(bytes[size - 1], '\x5A');
        // Handed on, the buffer keeps its bytes; the one left behind is empty.
        LargeBuffer moved = std::move(buffer);
        QVERIFY(!buffer);
        QVERIFY(moved.data() == bytes);
        QCOMPARE(moved.data()[0], '\x5A');
    }
};

QTEST_GUILESS_MAIN(TestLargeBuffer)
#include "tst_largebuffer.moc"
