#pragma once
#include <QWidget>

class QTextBrowser;

// The operator's guide in a window of its own, titled "使用说明": the Markdown
// file with its pictures, or, when the guide was not delivered, where it
// should have been.
class GuideWindow : public QWidget {
    Q_OBJECT
public:
    // `file`: the guide (guideFile()); empty when none was found.
    explicit GuideWindow(const QString &file, QWidget *parent = nullptr);

    static QString title() { return QStringLiteral("使用说明"); }

private:
    QTextBrowser *m_text = nullptr;
};
