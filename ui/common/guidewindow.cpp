#include "ui/common/guidewindow.h"

#include <QBoxLayout>
#include <QFile>
#include <QFileInfo>
#include <QScreen>
#include <QTextBrowser>

using namespace Qt::StringLiterals;

GuideWindow::GuideWindow(const QString &file, QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(u"GuideWindow"_s);
    setWindowTitle(title());
    m_text = new QTextBrowser(this);
    m_text->setObjectName(u"GuideText"_s);
    m_text->setOpenExternalLinks(true);
    QFile guide(file);
    if (!file.isEmpty() && guide.open(QIODevice::ReadOnly)) {
        // Pictures are named relative to the guide.
        m_text->setSearchPaths({QFileInfo(file).absolutePath()});
        m_text->setMarkdown(QString::fromUtf8(guide.readAll()));
    } else {
        m_text->setMarkdown(u"# 使用说明\n\n没有找到使用说明文件。它应在程序旁的 guide 文件夹里，安装版在 "
                            "/usr/share/doc/prizedraw/guide/ 里。"_s);
    }
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_text);
    resize(900, 700);
}
