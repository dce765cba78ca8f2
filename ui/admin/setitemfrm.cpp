#include "ui/admin/setitemfrm.h"

#include "media/photofolder.h"
#include "media/picturecache.h"
#include <QCoreApplication>
#include <QFileInfo>

#include "admin/prizeitemrules.h"
#include "draw/presslimit.h"
#include "ui/common/screenfonts.h"
#include "ui/common/stage.h"
#include "ui/common/stagebackdrop.h"
#include "base/dialogs.h"
#include "store/database.h"
#include "store/scopestore.h"
#include "store/setupstore.h"
#include "ui/admin/scopepickerfrm.h"

#include <QApplication>
#include <QDir>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

using namespace Qt::StringLiterals;

namespace {

const QColor kRed(0xFF, 0, 0);

void paintRed(QWidget *widget, QPalette::ColorRole role)
{
    QPalette p = widget->palette();
    p.setColor(role, kRed);
    widget->setPalette(p);
}

QLabel *caption(QWidget *parent, const QString &name, const QString &text, int left)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(yaHeiFont(24, true));
    label->setAlignment(Qt::AlignCenter);
    label->setAttribute(Qt::WA_TranslucentBackground);
    paintRed(label, QPalette::WindowText);
    // Centred over the field below it.
    label->setGeometry(left, 591, 180, label->sizeHint().height());
    return label;
}

QLineEdit *entryField(QWidget *parent, const QString &name, int left, bool number)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(left, 624, 180, 32);
    edit->setFont(yaHeiFont(24, true));
    paintRed(edit, QPalette::Text);
    if (number) {
        edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(u"[0-9+\\-]*"_s), edit));
    } else {
        edit->setMaxLength(50);
    }
    return edit;
}

QPushButton *button(QWidget *parent, const QString &name, const QString &text, int left)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setGeometry(left, 616, 113, 49);
    b->setFont(yaHeiFont(21, false));
    // Some styles paint button captions in their own colour; a style sheet wins.
    b->setStyleSheet(u"QPushButton { color: #ff0000; }"_s);
    return b;
}

// An entry that is no whole number counts as 0, which the rule refuses.
int wholeNumber(const QLineEdit *edit)
{
    bool ok = false;
    const int value = edit->text().trimmed().toInt(&ok);
    return ok ? value : 0;
}

} // namespace

TSetItemFrm::TSetItemFrm(const QString &pictureFolder, Database &db, Dialogs &dialogs, QWidget *parent)
    : QDialog(parent), m_pictureFolder(pictureFolder), m_db(db), m_dialogs(dialogs)
{
    setObjectName(u"SetItemFrm"_s);
    setWindowTitle(u"设置奖项"_s);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    Stage::declare(this, Stage::Role::Page);
    setWindowState(Qt::WindowFullScreen);

    Image1 = new StageBackdrop(this);
    Image1->setObjectName(u"Image1"_s);
    Image1->setGeometry(rect());

    EmpName = caption(this, u"EmpName"_s, u"奖项名称"_s, 48);
    Label1 = caption(this, u"Label1"_s, u"奖品名称"_s, 232);
    Label2 = caption(this, u"Label2"_s, u"中奖人数"_s, 416);
    Label3 = caption(this, u"Label3"_s, u"每次抽中"_s, 600);
    DBEdit1 = entryField(this, u"DBEdit1"_s, 48, false);
    DBEdit2 = entryField(this, u"DBEdit2"_s, 232, false);
    DBEdit3 = entryField(this, u"DBEdit3"_s, 416, true);
    DBEdit4 = entryField(this, u"DBEdit4"_s, 600, true);
    for (QLineEdit *number : {DBEdit3, DBEdit4})
        number->installEventFilter(this);

    BitBtn1 = button(this, u"BitBtn1"_s, u"确认"_s, 784);
    BitBtn2 = button(this, u"BitBtn2"_s, u"取消"_s, 904);
    BitBtn1->setDefault(true);
    // Who may win the new item: everybody unless chosen.
    ScopeButton = button(this, u"ScopeButton"_s, QString(), 48);
    ScopeButton->setGeometry(48, 680, 548, 40);
    connect(ScopeButton, &QPushButton::clicked, this, [this] { chooseScope(); });
    showScope();
    PictureButton = button(this, u"PictureButton"_s, u"奖品图片：无"_s, 604);
    PictureButton->setGeometry(604, 680, 372, 40);
    PictureButton->hide();
    connect(PictureButton, &QPushButton::clicked, this, [this] { choosePicture(); });
    connect(BitBtn1, &QPushButton::clicked, this, &TSetItemFrm::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &TSetItemFrm::reject);

    for (QWidget *w : std::initializer_list<QWidget *>{EmpName, Label1, Label2, Label3, DBEdit1, DBEdit2, DBEdit3,
                                                       DBEdit4, BitBtn1, BitBtn2, ScopeButton, PictureButton})
        m_designPlaces.emplace_back(w, w->geometry());
    placeControls();

    setTabOrder(DBEdit1, DBEdit2);
    setTabOrder(DBEdit2, DBEdit3);
    setTabOrder(DBEdit3, DBEdit4);
    setTabOrder(DBEdit4, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);
    DBEdit1->setFocus();

    FormCreate();
}

void TSetItemFrm::FormCreate()
{
    const QString path = m_pictureFolder + u"setitem.jpg"_s;
    QImageReader reader(path);
    const QImage picture = reader.read();
    if (picture.isNull()) {
        m_dialogs.reportError(
            this, u"无法打开图片文件 \"%1\": %2"_s.arg(QDir::toNativeSeparators(path), reader.errorString()));
        return;
    }
    Image1->setPixmap(QPixmap::fromImage(picture));
}

void TSetItemFrm::ADOQuery2NewRecord(int existingItems)
{
    const PrizeItem fresh = newPrizeItem(existingItems);
    m_iSeq = fresh.iSeq;
    DBEdit1->setText(fresh.ItemName);
    DBEdit2->setText(fresh.Awards);
    DBEdit3->setText(QString::number(fresh.SumNumber));
    DBEdit4->setText(QString::number(fresh.iNumber));
}

PrizeItem TSetItemFrm::item() const
{
    PrizeItem out = newPrizeItem(m_iSeq - 1);
    out.ItemName = DBEdit1->text();
    out.Awards = DBEdit2->text();
    out.SumNumber = wholeNumber(DBEdit3);
    out.iNumber = wholeNumber(DBEdit4);
    return out;
}

void TSetItemFrm::post()
{
    // The item and its scope are one unit: an item never stands open to
    // everybody for a moment when it was meant for some.
    Transaction tx(m_db);
    const int recNo = insertPrizeItem(m_db, item());
    if (!m_scope.empty())
        ScopeStore::setItemScope(m_db, recNo, m_scope);
    tx.commit();
    if (m_picture.isEmpty() || m_picturesFolder.isEmpty())
        return;
    const StoredPicture stored = storePicture(m_picture, m_picturesFolder, prizePictureBaseName(recNo), true);
    if (!stored.error.isEmpty())
        m_dialogs.notify(this, stored.error, u"系统提示"_s, Dialogs::Icon::Warning);
}

void TSetItemFrm::setPicturesFolder(const QString &folder)
{
    m_picturesFolder = folder;
    PictureButton->setVisible(!folder.isEmpty());
}

void TSetItemFrm::choosePicture()
{
    const QString file = m_dialogs.openFileName(this, u"图片文件|*.jpg;*.jpeg;*.png|所有文件|*.*"_s);
    if (file.isEmpty())
        return;
    // Read through now, so that a bad file is named while the operator is here.
    // A large picture takes a while to read; the screen keeps painting.
    if (const PictureRead read =
            readPictureAway(file, [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
        !read.error.isEmpty()) {
        m_dialogs.notify(this, read.error, u"系统提示"_s, Dialogs::Icon::Warning);
        return;
    }
    m_picture = file;
    PictureButton->setText(u"奖品图片："_s + QFileInfo(file).fileName());
}

void TSetItemFrm::chooseScope()
{
    TScopePickerFrm picker(ScopeStore::rosterGroups(m_db), m_scope, this);
    if (m_dialogs.runModal(picker) != QDialog::Accepted)
        return;
    m_scope = picker.chosenRows();
    showScope();
}

void TSetItemFrm::showScope() { ScopeButton->setText(u"抽奖范围：%1"_s.arg(ScopeStore::summary(m_scope, 20))); }

void TSetItemFrm::accept()
{
    const PrizeItem entered = item();
    if (!prizeItemServiceable(entered.SumNumber, entered.iNumber)) {
        m_dialogs.notify(this, perPressMessage(), perPressCaption(), Dialogs::Icon::None);
        QLineEdit *wrong = entered.SumNumber < 1 ? DBEdit3 : DBEdit4;
        wrong->setFocus();
        wrong->selectAll();
        return;
    }
    QDialog::accept();
}

bool TSetItemFrm::eventFilter(QObject *watched, QEvent *event)
{
    // Number fields take digits and signs only; anything else typed is refused with a beep.
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        if (text.size() == 1 && text[0].isPrint() && !text[0].isDigit() && text[0] != u'+' && text[0] != u'-') {
            QApplication::beep();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TSetItemFrm::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    placeControls();
}

void TSetItemFrm::placeControls()
{
    Image1->setGeometry(rect());
    const QRect stage = Stage::rectIn(size());
    if (auto *picture = qobject_cast<StageBackdrop *>(Image1))
        picture->setPictureRows(stage.top(), stage.height());
    // The places are those of the 1024 x 768 design, on the stage.
    for (auto [widget, place] : m_designPlaces)
        widget->setGeometry(Stage::place(size(), place));
}
