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
#include "draw/prizeround.h"

#include <QAction>
#include <QApplication>
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

TListsFrm::TListsFrm(Database &db, Dialogs &dialogs, PrizeRound &round, QWidget *parent)
    : QDialog(parent), m_db(db), m_dialogs(dialogs), m_round(round)
{
    setObjectName(u"ListsFrm"_s);
    setWindowTitle(u"中奖名单"_s);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    buildScreen();
    buildCommands();
    // A full-screen page like the main screen, also where no window manager
    // honours the full-screen state; on the operator's screen.
    Stage::declare(this, Stage::Role::Page);
    setWindowState(Qt::WindowFullScreen);
    FormCreate();
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
    PopupMenu1->addAction(ActExport); // EXECL1
    PopupMenu1->addAction(ActDel); // N1
    PopupMenu1->addAction(ActAbsent);
    PopupMenu1->addAction(ActExportLog);
}

void TListsFrm::guarded(const std::function<void()> &step) { runReported(m_dialogs, this, step); }

void TListsFrm::FormCreate()
{
    AwardList->setRows(loadWinnersList(m_db));
    columnFit->fit();
    if (AwardList->rowCount() > 0)
        dxDBGrid1->setCurrentIndex(AwardList->index(0, 0));
    AwardList->setIndicatorRow(dxDBGrid1->currentIndex().row());
}

void TListsFrm::ActCloseExecute() { reject(); }

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

std::optional<ListedWinner> TListsFrm::confirmedWinner(const QString &question)
{
    if (AwardList->rowCount() == 0)
        return std::nullopt;
    if (!m_dialogs.ask(this, question, u"系统提示"_s, Dialogs::Icon::Question, Dialogs::Buttons::YesNo))
        return std::nullopt;
    const int row = std::max(0, dxDBGrid1->currentIndex().row());
    return AwardList->rows()[static_cast<size_t>(row)];
}

void TListsFrm::ActDelExecute()
{
    const std::optional<ListedWinner> winner = confirmedWinner(u"  您确定要删除此获奖者吗？   "_s);
    if (!winner)
        return;
    m_round.DeleteWinner(winner->sNo, winner->sCompCode, QString::number(winner->RecNo));
    FormCreate();
}

void TListsFrm::ActAbsentExecute()
{
    const std::optional<ListedWinner> winner = confirmedWinner(u"  确定此获奖者弃奖并重新抽取吗？   "_s);
    if (!winner)
        return;
    // A winner removed meanwhile (by another program on the shared file) frees
    // no place, so the current item stays as it was.
    if (m_round.WinnerAbsent(winner->sNo, winner->sCompCode, QString::number(winner->RecNo)))
        m_absentItem = winner->RecNo;
    FormCreate();
}

void TListsFrm::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    Image1->setGeometry(rect());
    Image1->lower();
    const QRect stage = Stage::rectIn(size());
    if (auto *picture = qobject_cast<StageBackdrop *>(Image1))
        picture->setPictureRows(stage.top(), stage.height());
    dxDBGrid1->setGeometry(Stage::place(size(), kGridGeometry));
}

void TListsFrm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    columnFit->fit();
}
