// The file filters of the Qt dialogs: the pipe form the screens give and the
// extension a bare name is saved under.
#include "ui/common/qtdialogs.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTest>

using namespace Qt::StringLiterals;

class TestQtDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void filters_data();
    void filters();
    void longPathsKeepTheBoxOnTheScreen();
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

// A message naming a long path stays inside the screen, its OK button on it,
// and reads the same.
void TestQtDialogs::longPathsKeepTheBoxOnTheScreen()
{
    const QString path = u"/media/usb/"_s + QString(60, u'a') + u"/年会备份/"_s + QString(120, u'b') + u".zip"_s;
    const QString text = u"无法保存备份文件 %1：文件名太长。"_s.arg(path);
    QString plain = wrappableText(text);
    QCOMPARE(plain.remove(QChar(0x200B)), text);
    const int screen = QGuiApplication::primaryScreen()->availableGeometry().width();
    QMessageBox box(QMessageBox::Warning, u"系统提示"_s, text, QMessageBox::Ok);
    prepareMessageBox(box);
    box.show();
    QVERIFY2(box.frameGeometry().width() <= screen, qPrintable(QString::number(box.frameGeometry().width())));
}

QTEST_MAIN(TestQtDialogs)
#include "tst_qtdialogs.moc"
