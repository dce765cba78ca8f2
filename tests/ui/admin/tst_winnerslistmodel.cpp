// The winners list grid's model under Qt's model tester: rows replaced,
// the row indicator moved on and off the rows.
#include "ui/admin/winnerslistmodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
std::vector<ListedWinner> winners(int n)
{
    std::vector<ListedWinner> rows;
    for (int i = 0; i < n; ++i)
        rows.push_back({QString::number(100 + i), u"员工%1"_s.arg(i), u"一等奖"_s, u"电视"_s, u"一厂"_s, 1});
    return rows;
}
QStringList marks(const WinnersListModel &model)
{
    QStringList out;
    for (int row = 0; row < model.rowCount(); ++row)
        out << model.headerData(row, Qt::Vertical, Qt::DisplayRole).toString();
    return out;
}
} // namespace

class tst_winnerslistmodel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void indicatorFollowsTheCurrentRow_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("indicator");
        QTest::addColumn<int>("changedSignals"); // headerDataChanged for the move
        QTest::newRow("no rows, indicator asked for row 0") << 0 << 0 << 0;
        QTest::newRow("first of three") << 3 << 0 << 1;
        QTest::newRow("last of three") << 3 << 2 << 1;
        QTest::newRow("past the end") << 3 << 3 << 0;
        QTest::newRow("none") << 3 << -1 << 0;
    }
    void indicatorFollowsTheCurrentRow()
    {
        QFETCH(int, rows);
        QFETCH(int, indicator);
        QFETCH(int, changedSignals);
        WinnersListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRows(winners(rows));
        QCOMPARE(model.rowCount(), rows);
        QCOMPARE(model.columnCount(), 5);

        QSignalSpy changed(&model, &QAbstractItemModel::headerDataChanged);
        model.setIndicatorRow(indicator);
        QCOMPARE(changed.size(), changedSignals);
        const QStringList shown = marks(model);
        for (int row = 0; row < rows; ++row)
            QCOMPARE(shown[row].isEmpty(), row != indicator);

        // New rows take the mark away; the old row is told, the new ones are fresh.
        changed.clear();
        model.setRows(winners(rows + 1));
        QCOMPARE(marks(model).join(QString()), QString());
        model.setIndicatorRow(rows);
        QCOMPARE(marks(model).back().isEmpty(), false);
    }

    void cellsShowTheWinner()
    {
        WinnersListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRows({{u"000123"_s, u"O'Neil"_s, u"特等奖"_s, u"汽车"_s, u"二厂"_s, 5}});
        QStringList cells;
        QStringList headers;
        for (int c = 0; c < model.columnCount(); ++c) {
            cells << model.index(0, c).data().toString();
            headers << model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        }
        QCOMPARE(headers, (QStringList{u"工厂名称"_s, u"中奖号码"_s, u"姓名"_s, u"奖项"_s, u"奖品"_s}));
        QCOMPARE(cells, (QStringList{u"二厂"_s, u"000123"_s, u"O'Neil"_s, u"特等奖"_s, u"汽车"_s}));
        QVERIFY(!model.index(0, 0).data(Qt::EditRole).isValid());
    }
};

QTEST_GUILESS_MAIN(tst_winnerslistmodel)
#include "tst_winnerslistmodel.moc"
