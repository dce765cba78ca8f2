#include "ui/admin/listsfrm.h"

#include "admin/drawrecordsheet.h"
#include "admin/winnerslist.h"
#include "sheets/worksheetwriter.h"
#include "store/drawlog.h"
#include "ui/admin/columnfit.h"
#include "ui/admin/winnerslistmodel.h"
#include "base/dialogs.h"
#include "base/errors.h"
#include "ui/common/screenfonts.h"
#include "ui/common/stage.h"
#include "ui/common/stagebackdrop.h"
#include "draw/drawproof.h"
#include "draw/prizeround.h"
#include "store/proofstore.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QPushButton>
#include <QDate>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QTableView>

using namespace Qt::StringLiterals;

TListsFrm *ListsFrm = nullptr;

namespace {
// What the save dialog offers: the list's name and today's date, the
// extension of the filter chosen.
QString datedName(const QString &what) { return what + u'-' + QDate::currentDate().toString(u"yyyyMMdd"_s); }

constexpr QRect kGridGeometry{96, 152, 825, 537};
constexpr int kRowHeight = 42;
constexpr int kFontPx = 27;
constexpr int kIndicatorWidth = 14;
// Shown while the delivered picture is missing.
constexpr QColor kPlainBackground{0x5a, 0x0a, 0x0a};
} // namespace

TListsFrm::TListsFrm(Database &db, Dialogs &dialogs, PrizeRound &round, QWidget *parent, Presentation presentation)
    : QDialog(parent), m_db(db), m_dialogs(dialogs), m_round(round), m_presentation(presentation)
{
    setObjectName(u"ListsFrm"_s);
    setWindowTitle(u"中奖名单"_s);
    buildScreen();
    buildCommands();
    if (m_presentation == Presentation::ConsolePage) {
        setWindowFlags(Qt::Widget);
        buildPage();
    } else {
        setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
        // A full-screen page like the main screen, also where no window manager
        // honours the full-screen state; on the operator's screen.
        Stage::declare(this, Stage::Role::Page);
        setWindowState(Qt::WindowFullScreen);
    }
    FormCreate();
}

void TListsFrm::buildPage()
{
    // The operator's screen, not the stage: the system's colours and a
    // reading size; every column as wide as its values, scrolled when many.
    setAutoFillBackground(false);
    setPalette(QApplication::palette());
    Image1->hide();
    dxDBGrid1->setStyleSheet(QString());
    const QFont font = yaHeiFont(15, false);
    dxDBGrid1->setFont(font);
    dxDBGrid1->horizontalHeader()->setFont(font);
    dxDBGrid1->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 8);
    dxDBGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    dxDBGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // F10 is the console's settings page and Esc nothing here: the list's
    // commands are its buttons, Del and Shift+Del work in the grid.
    ActClose->setShortcut(QKeySequence());
    ActExport->setShortcut(QKeySequence());
    ActExport->setText(u"输出到Excel"_s);
    for (QAction *action : {ActDel, ActAbsent, ActExportLog})
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    commitLine->setFont(font);
    commitLine->setStyleSheet(QString());

    auto *buttons = new QHBoxLayout;
    for (QAction *action : {ActExport, ActExportLog, ActDel, ActAbsent, ActRevealSeed, ActExportProof}) {
        auto *button = new QPushButton(action->text(), this);
        button->setObjectName(action->objectName() + u"Button"_s);
        connect(button, &QPushButton::clicked, action, &QAction::trigger);
        buttons->addWidget(button);
    }
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(commitLine);
    layout->addWidget(dxDBGrid1, 1);
}

QString TListsFrm::exportFilter() { return u"Excel文件|*.xls|Excel 2007文件|*.xlsx"_s; }

void TListsFrm::buildScreen()
{
    setAutoFillBackground(true);
    QPalette back = palette();
    back.setColor(QPalette::Window, kPlainBackground);
    setPalette(back);

    Image1 = new StageBackdrop(this);
    Image1->setObjectName(u"Image1"_s);
    const QPixmap picture(u":/pictures/lists.jpg"_s);
    if (!picture.isNull())
        Image1->setPixmap(picture);

    AwardList = new WinnersListModel(this);
    AwardList->setObjectName(u"AwardList"_s);

    dxDBGrid1 = new QTableView(this);
    dxDBGrid1->setObjectName(u"dxDBGrid1"_s);
    dxDBGrid1->setModel(AwardList);
    dxDBGrid1->setGeometry(kGridGeometry);
    dxDBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dxDBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    dxDBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    dxDBGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    dxDBGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    dxDBGrid1->setWordWrap(false);

    const QFont font = yaHeiFont(kFontPx, true);
    dxDBGrid1->setFont(font);
    dxDBGrid1->horizontalHeader()->setFont(font);

    QHeaderView *columns = dxDBGrid1->horizontalHeader();
    columns->setSectionsMovable(true);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setHighlightSections(false);
    QHeaderView *rows = dxDBGrid1->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Interactive);
    rows->setMinimumSectionSize(8);
    rows->setDefaultSectionSize(kRowHeight);
    rows->setFixedWidth(kIndicatorWidth);
    QFont markFont = font;
    markFont.setPixelSize(kIndicatorWidth - 4);
    rows->setFont(markFont);
    connect(dxDBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { AwardList->setIndicatorRow(current.row()); });
    // The designed widths stretched together to fill the list, except where a
    // long factory name or prize needs more: the other columns then give up
    // what they hold beyond their values first.
    std::vector<int> designed;
    for (const WinnersListColumn &c : winnersListColumns())
        designed.push_back(c.widthPx);
    columnFit = new ColumnFit(*dxDBGrid1, std::move(designed), ColumnFit::Spare::Proportional);

    // Text in the window-background colour and lines in the caption-text
    // colour of the system scheme, on red.
    const QPalette scheme = QApplication::palette();
    const QString text = scheme.color(QPalette::Base).name();
    const QString lines = scheme.color(QPalette::HighlightedText).name();
    dxDBGrid1->setStyleSheet(
        u"QTableView { background-color: #ff0000; color: %1; gridline-color: %2; border: 1px solid %2; }"
        "QHeaderView { background-color: #ff0000; }"
        "QHeaderView::section { background-color: #ff0000; color: %1; border: 1px solid %2; padding: 0px; }"
        "QTableCornerButton::section { background-color: #ff0000; border: 1px solid %2; }"_s.arg(text, lines));

    // Under the list, the commitment of the seed the next press draws with.
    commitLine = new QLabel(this);
    commitLine->setObjectName(u"commitLine"_s);
    commitLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    commitLine->setFont(yaHeiFont(16, false));
    commitLine->setStyleSheet(u"color: white;"_s);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(u"PopupMenu1"_s);
    dxDBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(dxDBGrid1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenu1->popup(dxDBGrid1->viewport()->mapToGlobal(pos)); });
}

void TListsFrm::buildCommands()
{
    auto command = [this](const QString &name, const QString &caption, const QKeySequence &key,
                          void (TListsFrm::*handler)()) {
        auto *action = new QAction(caption, this);
        action->setObjectName(name);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this,
                [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
        addAction(action);
        return action;
    };
    ActClose = command(u"ActClose"_s, QString(), QKeySequence(Qt::Key_Escape), &TListsFrm::ActCloseExecute);
    ActExport = command(u"ActExport"_s, u"输出到EXECL(F10)"_s, QKeySequence(Qt::Key_F10), &TListsFrm::ActExportExecute);
    ActDel = command(u"ActDel"_s, u"删除获奖人"_s, QKeySequence(Qt::Key_Delete), &TListsFrm::ActDelExecute);
    ActAbsent =
        command(u"ActAbsent"_s, u"弃奖重抽"_s, QKeySequence(Qt::SHIFT | Qt::Key_Delete), &TListsFrm::ActAbsentExecute);
    ActExportLog =
        command(u"ActExportLog"_s, u"输出抽奖记录"_s, QKeySequence(Qt::Key_F12), &TListsFrm::ActExportLogExecute);
    ActRevealSeed = command(u"ActRevealSeed"_s, u"公布抽奖种子"_s, QKeySequence(), &TListsFrm::ActRevealSeedExecute);
    ActExportProof = command(u"ActExportProof"_s, u"导出抽奖证明"_s, QKeySequence(), &TListsFrm::ActExportProofExecute);
    PopupMenu1->addAction(ActExport); // EXECL1
    PopupMenu1->addAction(ActDel); // N1
    PopupMenu1->addAction(ActAbsent);
    PopupMenu1->addAction(ActExportLog);
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(ActRevealSeed);
    PopupMenu1->addAction(ActExportProof);
}

void TListsFrm::guarded(const std::function<void()> &step) { runReported(m_dialogs, this, step); }

void TListsFrm::FormCreate()
{
    showCommitment();
    AwardList->setRows(loadWinnersList(m_db));
    columnFit->fit();
    if (AwardList->rowCount() > 0)
        dxDBGrid1->setCurrentIndex(AwardList->index(0, 0));
    AwardList->setIndicatorRow(dxDBGrid1->currentIndex().row());
}

void TListsFrm::ActCloseExecute() { reject(); }

void TListsFrm::reject()
{
    if (m_presentation == Presentation::Screen)
        QDialog::reject();
}

void TListsFrm::ActExportExecute()
{
    const QString fileName = m_dialogs.saveFileName(this, exportFilter(), u"xls"_s, datedName(u"中奖名单"_s));
    if (fileName.isEmpty())
        return;
    // The rows as shown, which the screen already holds.
    saveWinnersList(fileName, AwardList->rows());
}

void TListsFrm::ActExportLogExecute()
{
    const QString fileName = m_dialogs.saveFileName(this, exportFilter(), u"xls"_s, datedName(u"抽奖记录"_s));
    if (fileName.isEmpty())
        return;
    saveDrawRecord(fileName, m_db);
}

void TListsFrm::showCommitment()
{
    const QString commitment = ProofStore::liveCommitment(m_db);
    commitLine->setText(commitment.isEmpty() ? u"抽奖承诺：下一次抽奖前生成新的抽奖种子"_s
                                             : u"抽奖承诺：%1"_s.arg(commitment));
}

void TListsFrm::ActRevealSeedExecute()
{
    if (!m_dialogs.ask(this,
                       u"公布抽奖种子后，任何人都可以用它核对已经抽出的每一位获奖者。\n"
                       "公布后再抽奖，将使用新的抽奖种子，请在抽奖前重新公示新的抽奖承诺。\n\n"
                       "确定要公布抽奖种子吗？"_s,
                       u"系统提示"_s, Dialogs::Icon::Question, Dialogs::Buttons::YesNo))
        return;
    const std::vector<ProofStore::Seed> revealed = ProofStore::reveal(m_db);
    QStringList lines;
    for (const ProofStore::Seed &s : revealed)
        lines << u"种子%1：%2\n（承诺：%3）"_s.arg(s.number).arg(QString::fromLatin1(s.seed.toHex()), s.commitment);
    showCommitment();
    Q_EMIT seedRevealed();
    m_dialogs.notify(this,
                     revealed.empty() ? u"没有尚未公布的抽奖种子。"_s
                                      : u"已公布抽奖种子：\n\n%1\n\n请用“导出抽奖证明”保存抽奖证明文件并公开。"_s.arg(
                                          lines.join(u"\n\n"_s)),
                     u"系统提示"_s, Dialogs::Icon::Information);
}

void TListsFrm::ActExportProofExecute()
{
    const QString fileName =
        m_dialogs.saveFileName(this, u"抽奖证明文件|*.json"_s, u"json"_s, datedName(u"抽奖证明"_s));
    if (fileName.isEmpty())
        return;
    writeProof(m_db, fileName);
    m_dialogs.notify(
        this, u"抽奖证明已保存到 %1。\n任何人都可以用 prizedraw-verify 或 prizedraw-verify.py 核对。"_s.arg(fileName),
        u"系统提示"_s, Dialogs::Icon::Information);
}

std::optional<ListedWinner> TListsFrm::confirmedWinner(const QString &question)
{
    if (AwardList->rowCount() == 0)
        return std::nullopt;
    const int row = std::max(0, dxDBGrid1->currentIndex().row());
    const ListedWinner &winner = AwardList->rows()[static_cast<size_t>(row)];
    // The question names whom it is about: a row selected by mistake is
    // seen before anything is deleted.
    if (!m_dialogs.ask(this, question + u"\n\n"_s + winnerDescription(winner), u"系统提示"_s, Dialogs::Icon::Question,
                       Dialogs::Buttons::YesNo))
        return std::nullopt;
    return winner;
}

void TListsFrm::ActDelExecute()
{
    const std::optional<ListedWinner> winner = confirmedWinner(u"  您确定要删除此获奖者吗？   "_s);
    if (!winner)
        return;
    m_round.DeleteWinner(winner->sNo, winner->sCompCode, winner->sName, QString::number(winner->RecNo));
    FormCreate();
    Q_EMIT winnersChanged(0);
}

void TListsFrm::ActAbsentExecute()
{
    const std::optional<ListedWinner> winner = confirmedWinner(u"  确定此获奖者弃奖并重新抽取吗？   "_s);
    if (!winner)
        return;
    // A winner removed meanwhile (by another program on the shared file) frees
    // no place, so the current item stays as it was.
    if (m_round.WinnerAbsent(winner->sNo, winner->sCompCode, winner->sName, QString::number(winner->RecNo)))
        m_absentItem = winner->RecNo;
    FormCreate();
    Q_EMIT winnersChanged(m_absentItem);
}

void TListsFrm::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    if (m_presentation == Presentation::ConsolePage)
        return;
    Image1->setGeometry(rect());
    Image1->lower();
    const QRect stage = Stage::rectIn(size());
    if (auto *picture = qobject_cast<StageBackdrop *>(Image1))
        picture->setPictureRows(stage.top(), stage.height());
    dxDBGrid1->setGeometry(Stage::place(size(), kGridGeometry));
    commitLine->setGeometry(
        Stage::place(size(), QRect(kGridGeometry.left(), kGridGeometry.bottom() + 6, kGridGeometry.width(), 24)));
}

void TListsFrm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    columnFit->fit();
}
