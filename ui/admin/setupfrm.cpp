#include "ui/admin/setupfrm.h"

#include "admin/prizeitemrules.h"
#include "ui/admin/loopcountspinbox.h"
#include "ui/admin/postingtablemodel.h"
#include "ui/common/screenfonts.h"
#include "base/dialogs.h"
#include "base/errors.h"
#include "store/database.h"
#include "store/dberror.h"
#include "store/setupstore.h"

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSqlError>
#include <QSqlRecord>
#include <QStyle>
#include <QTableView>

using namespace Qt::StringLiterals;

TSetupFrm *SetupFrm = nullptr;

namespace {

constexpr int kFooterHeight = 19;

QLabel *label(QWidget *parent, const QString &name, const QString &text, int left, int top)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    l->adjustSize();
    l->move(left, top);
    return l;
}

QPushButton *button(QWidget *parent, const QString &name, const QString &text, const QRect &place)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setGeometry(place);
    b->setAutoDefault(false);
    return b;
}

QTableView *grid(QWidget *parent, const QString &name, const QRect &place)
{
    auto *view = new QTableView(parent);
    view->setObjectName(name);
    view->setGeometry(place);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                          | QAbstractItemView::AnyKeyPressed);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(18);
    view->horizontalHeader()->setHighlightSections(false);
    return view;
}

void throwOnError(const QSqlTableModel &model)
{
    if (model.lastError().isValid())
        throw DbError(engineErrorText(model.lastError()));
}

bool isKey(const QEvent *event, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *k = static_cast<const QKeyEvent *>(event);
    return k->key() == key && (k->modifiers() & ~Qt::KeypadModifier) == modifiers;
}

} // namespace

TSetupFrm::TSetupFrm(Services &services, QWidget *parent) : QDialog(parent), services(services)
{
    setObjectName(u"SetupFrm"_s);
    setWindowTitle(u"系统设置"_s);
    setFont(screenFont({u"宋体"_s, u"SimSun"_s}, 13));
    setFixedSize(621, 396);
    // The grids read their columns from the open connection.
    services.db->ensureOpen();
    buildControls();
    buildRosterGrid();
    buildPrizeGrid();
}

TSetupFrm::~TSetupFrm()
{
    if (SetupFrm == this)
        SetupFrm = nullptr;
}

void TSetupFrm::buildControls()
{
    Label2 = label(this, u"Label2"_s, u"背景音乐:"_s, 17, 16);
    RzButtonEdit2 = new QLineEdit(this);
    RzButtonEdit2->setObjectName(u"RzButtonEdit2"_s);
    RzButtonEdit2->setGeometry(80, 12, 529, 21);
    RzButtonEdit2Button = RzButtonEdit2->addAction(style()->standardIcon(QStyle::SP_DirOpenIcon), QLineEdit::TrailingPosition);
    connect(RzButtonEdit2Button, &QAction::triggered, this, [this] { guarded([this] { RzButtonEdit2ButtonClick(); }); });

    Label3 = label(this, u"Label3"_s, u"抽奖标题:"_s, 16, 40);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(u"Edit1"_s);
    Edit1->setGeometry(80, 36, 417, 21);
    Label4 = label(this, u"Label4"_s, u"每次循环"_s, 504, 40);
    RzSpinEdit1 = new LoopCountSpinBox(this);
    RzSpinEdit1->setObjectName(u"RzSpinEdit1"_s);
    RzSpinEdit1->setGeometry(560, 36, 47, 21);

    auto command = [this](const QString &name, const QString &caption, const QString &hint, void (TSetupFrm::*handler)()) {
        auto *action = new QAction(caption, this);
        action->setObjectName(name);
        action->setToolTip(hint.isEmpty() ? caption : hint);
        connect(action, &QAction::triggered, this, [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
        addAction(action);
        return action;
    };
    ActClear = command(u"ActClear"_s, u"清除员工列表"_s, {}, &TSetupFrm::ActClearExecute);
    ActImport = command(u"ActImport"_s, u"导入员工列表"_s, {}, &TSetupFrm::ActImportExecute);
    ActIni = command(u"ActIni"_s, u"初始化软件"_s, u"清除已经中奖名单，可以重新抽奖！"_s, &TSetupFrm::ActIniExecute);
    ActDel = command(u"ActDel"_s, u"删除奖项"_s, u"删除奖项"_s, &TSetupFrm::ActDelExecute);

    Label7 = label(this, u"Label7"_s, u"员工列表:"_s, 16, 64);
    Button2 = button(this, u"Button2"_s, ActClear->text(), {104, 58, 89, 25});
    Button3 = button(this, u"Button3"_s, ActImport->text(), {200, 58, 89, 25});
    Label10 = label(this, u"Label10"_s, u"设置奖项:"_s, 304, 64);
    Button1 = button(this, u"Button1"_s, u"重新抽奖初始化"_s, {384, 58, 129, 25});
    Button1->setToolTip(ActIni->toolTip());
    Button4 = button(this, u"Button4"_s, ActDel->text(), {520, 58, 86, 25});
    Button4->setToolTip(ActDel->toolTip());
    connect(Button2, &QPushButton::clicked, ActClear, &QAction::trigger);
    connect(Button3, &QPushButton::clicked, ActImport, &QAction::trigger);
    connect(Button1, &QPushButton::clicked, ActIni, &QAction::trigger);
    connect(Button4, &QPushButton::clicked, ActDel, &QAction::trigger);

    CheckBox1 = new QCheckBox(u"主界面中奖名单显示员工编号"_s, this);
    CheckBox1->setObjectName(u"CheckBox1"_s);
    CheckBox1->setGeometry(304, 336, 193, 17);

    Label1 = label(this, u"Label1"_s, u"准备就绪"_s, 16, 344);
    Label1->resize(425, Label1->height());
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(u"ProgressBar1"_s);
    ProgressBar1->setGeometry(16, 368, 425, 17);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    // The status line runs under the check box; the box must stay clickable.
    CheckBox1->raise();

    BitBtn1 = button(this, u"BitBtn1"_s, u"确认"_s, {456, 368, 75, 25});
    BitBtn1->setDefault(true);
    BitBtn2 = button(this, u"BitBtn2"_s, u"取消"_s, {536, 368, 75, 25});
    connect(BitBtn1, &QPushButton::clicked, this, &TSetupFrm::accept);
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
}

void TSetupFrm::buildRosterGrid()
{
    dxDBGrid1 = grid(this, u"dxDBGrid1"_s, {16, 86, 273, 243 - kFooterHeight});
    // Rows are fetched as the grid scrolls, so a roster of 100,000 opens at once.
    ADOQuery1 = new PostingTableModel(this, services.db->handle());
    ADOQuery1->setObjectName(u"ADOQuery1"_s);
    ADOQuery1->onPostError = [this](const QString &text) { services.dialogs->reportError(text); };
    ADOQuery1->setTable(u"EmpNo"_s);
    ADOQuery1->setSort(ADOQuery1->fieldIndex(u"RecNo"_s), Qt::AscendingOrder);
    dxDBGrid1->setModel(ADOQuery1);
    dxDBGrid1->verticalHeader()->hide();

    const struct { const char16_t *field; const char16_t *caption; int width; } columns[] = {
        {u"CompCode", u"工厂名称", 75}, {u"DartNo", u"部门", 62}, {u"EmpCode", u"工号", 56}, {u"EmpName", u"姓名", 71}};
    QHeaderView *header = dxDBGrid1->horizontalHeader();
    int visual = 1;
    for (const auto &c : columns) {
        const int column = ADOQuery1->fieldIndex(QString::fromUtf16(c.field));
        ADOQuery1->setHeaderData(column, Qt::Horizontal, QString::fromUtf16(c.caption));
        header->moveSection(header->visualIndex(column), visual++);
        dxDBGrid1->setColumnWidth(column, c.width);
    }
    const int recNo = ADOQuery1->fieldIndex(u"RecNo"_s);
    header->moveSection(header->visualIndex(recNo), 0);
    dxDBGrid1->setColumnWidth(recNo, 23);
    dxDBGrid1->hideColumn(recNo);

    // The footer under the code column shows how many people the roster holds.
    auto *footerBar = new QFrame(this);
    footerBar->setObjectName(u"dxDBGrid1FooterBar"_s);
    footerBar->setFrameShape(QFrame::StyledPanel);
    footerBar->setGeometry(16, 86 + 243 - kFooterHeight, 273, kFooterHeight);
    dxDBGrid1Footer = new QLabel(footerBar);
    dxDBGrid1Footer->setObjectName(u"dxDBGrid1Footer"_s);
    dxDBGrid1Footer->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(header, &QHeaderView::sectionResized, this, [this] { placeFooter(); });
    connect(header, &QHeaderView::sectionMoved, this, [this] { placeFooter(); });
    connect(dxDBGrid1->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { placeFooter(); });
    placeFooter();

    PopupMenu1 = new QMenu(dxDBGrid1);
    PopupMenu1->setObjectName(u"PopupMenu1"_s);
    PopupMenu1->addAction(ActClear);
    PopupMenu1->addAction(ActImport);
    dxDBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(dxDBGrid1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { PopupMenu1->popup(dxDBGrid1->viewport()->mapToGlobal(at)); });
    dxDBGrid1->installEventFilter(this);
}

void TSetupFrm::buildPrizeGrid()
{
    dxDBGrid2 = grid(this, u"dxDBGrid2"_s, {296, 85, 313, 244});
    ADOQuery2 = new PostingTableModel(this, services.db->handle());
    ADOQuery2->setObjectName(u"ADOQuery2"_s);
    ADOQuery2->onPostError = [this](const QString &text) { services.dialogs->reportError(text); };
    ADOQuery2->onFieldChange = [this](const QModelIndex &index) { ADOQuery2iNumberChange(index); };
    ADOQuery2->setTable(u"AwardItem"_s);
    ADOQuery2->setSort(ADOQuery2->fieldIndex(u"RecNo"_s), Qt::AscendingOrder);
    connect(ADOQuery2, &QSqlTableModel::primeInsert, this,
            [this](int row, QSqlRecord &record) { ADOQuery2NewRecord(row, record); });
    dxDBGrid2->setModel(ADOQuery2);
    iSeqColumn = ADOQuery2->fieldIndex(u"iSeq"_s);
    sumNumberColumn = ADOQuery2->fieldIndex(u"SumNumber"_s);
    iNumberColumn = ADOQuery2->fieldIndex(u"iNumber"_s);

    const struct { const char16_t *field; const char16_t *caption; int width; } columns[] = {
        {u"iSeq", u"排序", 32},       {u"ItemName", u"奖项", 48},       {u"Awards", u"奖品", 72},
        {u"SumNumber", u"中奖人数", 59}, {u"iNumber", u"每次几个", 60}, {u"IsExec", u"已执行", 0}};
    QHeaderView *header = dxDBGrid2->horizontalHeader();
    int visual = 0;
    for (const auto &c : columns) {
        const int column = ADOQuery2->fieldIndex(QString::fromUtf16(c.field));
        ADOQuery2->setHeaderData(column, Qt::Horizontal, QString::fromUtf16(c.caption));
        header->moveSection(header->visualIndex(column), visual++);
        if (c.width > 0)
            dxDBGrid2->setColumnWidth(column, c.width);
    }
    for (const QString &hidden : {u"RecNo"_s, u"IsExec"_s, u"ExcNum"_s})
        dxDBGrid2->hideColumn(ADOQuery2->fieldIndex(hidden));
    dxDBGrid2->verticalHeader()->setFixedWidth(12);
    dxDBGrid2->installEventFilter(this);
}

void TSetupFrm::placeFooter()
{
    const int column = ADOQuery1->fieldIndex(u"EmpCode"_s);
    const int left = dxDBGrid1->frameWidth() + dxDBGrid1->horizontalHeader()->sectionViewportPosition(column);
    dxDBGrid1Footer->setGeometry(left, 1, dxDBGrid1->columnWidth(column) - 2, kFooterHeight - 2);
}

void TSetupFrm::guarded(const std::function<void()> &step) { runReported(*services.dialogs, step); }

void TSetupFrm::FormShow()
{
    RzButtonEdit2->setText(services.settings.backSound);
    Edit1->setText(services.settings.ATltle);
    RzSpinEdit1->setValue(services.settings.iTime); // the box holds it to 5 … 50
    CheckBox1->setChecked(services.settings.showNo);
    services.db->ensureOpen();
    reopenRoster();
    reopenPrizeItems();
}

void TSetupFrm::reopenRoster()
{
    ADOQuery1->select();
    throwOnError(*ADOQuery1);
    m_rosterCount = countEmployees(*services.db);
    dxDBGrid1Footer->setText(QString::number(m_rosterCount));
    if (ADOQuery1->rowCount() > 0)
        dxDBGrid1->setCurrentIndex(ADOQuery1->index(0, ADOQuery1->fieldIndex(u"CompCode"_s)));
}

void TSetupFrm::reopenPrizeItems()
{
    ADOQuery2->select();
    throwOnError(*ADOQuery2);
    // Prize items are few; holding them all lets a new row count them.
    ADOQuery2->fetchAll();
    if (ADOQuery2->rowCount() > 0)
        dxDBGrid2->setCurrentIndex(ADOQuery2->index(0, iSeqColumn));
}

void TSetupFrm::RzButtonEdit2ButtonClick()
{
    const QString file = services.dialogs->openFileName(this, u"MP3|*.mp3|WMA|*.wma|AVI|*.avi"_s);
    if (file.isEmpty())
        return;
    RzButtonEdit2->setText(file);
    // Takes effect at the main screen's next reload, even when the screen is cancelled.
    services.settings.backSound = file;
}

bool TSetupFrm::DeleteAllEmployees()
{
    deleteAllEmployees(*services.db);
    return true;
}

void TSetupFrm::ActClearExecute()
{
    if (!services.dialogs->ask(this, u"确定要清除所有员工资料吗?"_s, u"系统提示"_s, Dialogs::Icon::Information,
                               Dialogs::Buttons::OkCancel))
        return;
    DeleteAllEmployees();
    services.dialogs->notify(this, u"清除员工资料成功！"_s, u"系统信息"_s, Dialogs::Icon::Warning);
    reopenRoster();
}

void TSetupFrm::ActIniExecute()
{
    if (!services.dialogs->ask(this, u"确定要清除已中奖名单，并开始新的抽奖吗?"_s, u"系统提示"_s,
                               Dialogs::Icon::Information, Dialogs::Buttons::OkCancel))
        return;
    // A row still being edited is posted first, as leaving it would.
    if (!ADOQuery2->submit())
        return;
    resetDraw(*services.db);
    reopenPrizeItems();
    if (ADOQuery2->rowCount() > 0)
        dxDBGrid2->setCurrentIndex(ADOQuery2->index(ADOQuery2->rowCount() - 1, iSeqColumn));
    services.dialogs->notify(this, u"初始化完成!"_s, u" 系统提示"_s, Dialogs::Icon::None);
}

void TSetupFrm::ActDelExecute()
{
    if (ADOQuery2->rowCount() == 0)
        return;
    int row = dxDBGrid2->currentIndex().row();
    if (row < 0 || row >= ADOQuery2->rowCount())
        row = 0;
    const bool deleted = ADOQuery2->removeRow(row);
    reopenPrizeItems();
    if (deleted && ADOQuery2->rowCount() > 0)
        dxDBGrid2->setCurrentIndex(ADOQuery2->index(std::min(row, ADOQuery2->rowCount() - 1), iSeqColumn));
}

void TSetupFrm::appendPrizeRow()
{
    if (!ADOQuery2->submit())
        return;
    ADOQuery2->fetchAll();
    const int row = ADOQuery2->rowCount();
    if (!ADOQuery2->insertRow(row))
        return;
    dxDBGrid2->setCurrentIndex(ADOQuery2->index(row, iSeqColumn));
}

void TSetupFrm::ADOQuery2NewRecord(int row, QSqlRecord &record)
{
    // The new row is already counted by the model here.
    Q_UNUSED(row);
    const int before = ADOQuery2->rowCount() - 1;
    record.setValue(u"iSeq"_s, before + 1);
    record.setGenerated(u"iSeq"_s, true);
}

void TSetupFrm::ADOQuery2iNumberChange(const QModelIndex &index)
{
    if (index.column() != iNumberColumn)
        return;
    const int perPress = index.data(Qt::EditRole).toInt();
    const int sum = ADOQuery2->index(index.row(), sumNumberColumn).data(Qt::EditRole).toInt();
    const PerPressCheck check = checkPerPress(perPress, sum);
    if (check.accepted)
        return;
    services.dialogs->notify(this, perPressMessage(), perPressCaption(), Dialogs::Icon::None);
    // Stored without running the rule again: with a total below 1 the
    // replacement would fail it too, without end.
    ADOQuery2->storeQuietly(index, check.replacement);
}

QString TSetupFrm::musicPath() const { return RzButtonEdit2->text(); }

QString TSetupFrm::title() const { return Edit1->text(); }

int TSetupFrm::loopCount() const { return RzSpinEdit1->loopCount(); }

bool TSetupFrm::showNo() const { return CheckBox1->isChecked(); }

void TSetupFrm::BitBtn2Click()
{
    if (!Importing) {
        QDialog::reject();
        return;
    }
    if (!services.dialogs->ask(this, u"确定要取消本次操作吗?"_s, u"系统提示"_s, Dialogs::Icon::Information,
                               Dialogs::Buttons::OkCancel))
        return;
    CancelImport = true;
    Importing = false;
    BitBtn1->setEnabled(true);
}

void TSetupFrm::reject() { BitBtn2Click(); }

bool TSetupFrm::eventFilter(QObject *watched, QEvent *event)
{
    auto *view = qobject_cast<QTableView *>(watched);
    if (view && (view == dxDBGrid1 || view == dxDBGrid2)) {
        auto *model = view == dxDBGrid1 ? ADOQuery1 : ADOQuery2;
        // Enter in a grid posts its row rather than closing the screen.
        if (isKey(event, Qt::Key_Return) || isKey(event, Qt::Key_Enter)) {
            model->submit();
            return true;
        }
        const bool atLastRow = view->currentIndex().row() == model->rowCount() - 1 && !model->canFetchMore();
        if (isKey(event, Qt::Key_Insert) || (isKey(event, Qt::Key_Down) && (atLastRow || model->rowCount() == 0))) {
            guarded([this, view, model] {
                if (view == dxDBGrid2) {
                    appendPrizeRow();
                } else if (model->submit()) {
                    const int row = std::max(0, view->currentIndex().row());
                    if (model->insertRow(row))
                        view->setCurrentIndex(model->index(row, model->fieldIndex(u"CompCode"_s)));
                }
            });
            return true;
        }
        if (isKey(event, Qt::Key_Delete, Qt::ControlModifier) && view->currentIndex().isValid()) {
            guarded([this, view, model] {
                if (!services.dialogs->ask(this, u"删除当前记录吗?"_s, u"系统提示"_s, Dialogs::Icon::Question,
                                           Dialogs::Buttons::OkCancel))
                    return;
                const int row = view->currentIndex().row();
                model->removeRow(row);
                if (view == dxDBGrid1)
                    reopenRoster();
                else
                    reopenPrizeItems();
            });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
