// The file filters of the Qt dialogs: the pipe form the screens give and the
// extension a bare name is saved under.
#include "ui/common/qtdialogs.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestQtDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void filters_data();
    void filters();
};

void TestQtDialogs::filters_data()
{
    QTest::addColumn<QString>("pipe");
    QTest::addColumn<QString>("qt");
    QTest::addColumn<QStringList>("suffixes");
    QTest::addRow("winners export") << u"Excel文件|*.xls|Excel 2007文件|*.xlsx"_s
                                    << u"Excel文件 (*.xls);;Excel 2007文件 (*.xlsx)"_s
                                    << QStringList{u"xls"_s, u"xlsx"_s};
    QTest::addRow("several patterns, wildcard")
        << u"表格|*.xlsx;*.xlsm|全部|*.*"_s << u"表格 (*.xlsx *.xlsm);;全部 (*.*)"_s
        << QStringList{u"xlsx"_s, QString()};
}

void TestQtDialogs::filters()
{
    QFETCH(QString, pipe);
    QFETCH(QString, qt);
    QFETCH(QStringList, suffixes);
    QCOMPARE(qtFileFilter(pipe), qt);
    QCOMPARE(filterSuffixes(pipe), suffixes);
}

QTEST_MAIN(TestQtDialogs)
#include "tst_qtdialogs.moc"
