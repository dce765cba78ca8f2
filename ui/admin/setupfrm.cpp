#include "ui/admin/setupfrm.h"

#include "admin/backupfile.h"
#include "admin/prizeitemrules.h"
#include "store/scopestore.h"
#include "ui/admin/scopepickerfrm.h"
#include "ui/admin/stagelookfrm.h"
#include "media/photofolder.h"
#include "store/bulkread.h"
#include "draw/presslimit.h"
#include "admin/rosterimport.h"
#include "admin/settingsgrids.h"
#include "ui/admin/loopcountspinbox.h"
#include "ui/admin/postedgrid.h"
#include "ui/admin/restorefrm.h"
#include "ui/admin/settingsform.h"
#include "ui/common/screenfonts.h"
#include "base/dialogs.h"
#include "base/errors.h"
#include "base/settings.h"
#include "store/database.h"
#include "store/setupstore.h"
#include "store/snapshots.h"

#include <QAction>
#include <QBoxLayout>
#include <QFrame>
#include <QCheckBox>
#include <QDir>
#include <QFontMetrics>
#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSet>
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

} // namespace

TSetupFrm::TSetupFrm(Settings &settings, Database &db, Dialogs &dialogs, Pacer &pacer, QWidget *parent,
                     Presentation presentation)
    : QDialog(parent), m_presentation(presentation), services{settings, &db, &dialogs, &pacer}
{
    setObjectName(u"SetupFrm"_s);
    setWindowTitle(u"系统设置"_s);
    if (m_presentation == Presentation::Screen) {
        setFont(screenFont({u"宋体"_s, u"SimSun"_s}, 13));
        setFixedSize(761, 476);
    }
    buildControls();
    buildRosterGrid();
    buildPrizeGrid();
    if (m_presentation == Presentation::ConsolePages)
        buildPages();
}

void TSetupFrm::buildPages()
{
    // The screen's own parts, moved into pages with layouts: the behaviour
    // stays where it is. The settings' fields are the console's settings
    // page; OK has nothing left to confirm. The screen itself is a hidden
    // part of the console's window, whose boxes are its boxes.
    setWindowFlags(Qt::Widget);
    hide();
    for (const SettingsForm::Field &field : m_form->fields()) {
        if (field.label)
            field.label->hide();
        field.editor->hide();
    }
    for (QWidget *w : std::initializer_list<QWidget *>{BitBtn1, Label7, Label10, PasswordButton, LookButton})
        w->hide();
    // The roster's count beside its commands instead of under a column.
    findChild<QFrame *>(u"dxDBGrid1FooterBar"_s)->hide();
    dxDBGrid1Footer->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    BitBtn2->setText(u"停止导入"_s);
    BitBtn2->setEnabled(false);

    auto row = [](std::initializer_list<QWidget *> widgets) {
        auto *r = new QHBoxLayout;
        for (QWidget *w : widgets)
            r->addWidget(w);
        r->addStretch();
        return r;
    };
    m_rosterPage = new QWidget;
    m_rosterPage->setObjectName(u"RosterPage"_s);
    auto *roster = new QVBoxLayout(m_rosterPage);
    roster->addLayout(row({Button3, Button2, BitBtn2, new QLabel(u"员工人数："_s, m_rosterPage), dxDBGrid1Footer}));
    roster->addWidget(dxDBGrid1, 1);
    roster->addWidget(Label1);
    roster->addWidget(ProgressBar1);

    m_prizePage = new QWidget;
    m_prizePage->setObjectName(u"PrizePage"_s);
    auto *current = new QPushButton(u"设为当前奖项"_s, m_prizePage);
    current->setObjectName(u"CurrentItemButton"_s);
    current->setToolTip(u"下一次按 Enter 抽取选中的奖项（只能选还有名额的奖项）"_s);
    connect(current, &QPushButton::clicked, this, [this] {
        if (post() && selectedPrizeItem() != 0)
            Q_EMIT currentItemChosen(selectedPrizeItem());
    });
    auto *hint = new QLabel(u"在最后一行下面输入即可新增奖项；双击“抽奖范围”“奖品图片”两列可以设置。"_s, m_prizePage);
    auto *prizes = new QVBoxLayout(m_prizePage);
    prizes->addLayout(row({current, Button4, Button1}));
    prizes->addWidget(dxDBGrid2, 1);
    prizes->addWidget(hint);

    m_dataPage = new QWidget;
    m_dataPage->setObjectName(u"DataPage"_s);
    auto *data = new QVBoxLayout(m_dataPage);
    data->addLayout(row({BackupButton, RestoreButton, PhotosButton}));
    data->addWidget(DataFolderLabel);
    data->addStretch();
    for (QTableView *view : {dxDBGrid1, dxDBGrid2})
        view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
}

bool TSetupFrm::post()
{
    bool posted = false;
    guarded([&] {
        ADOQuery1->checkBrowseMode();
        ADOQuery2->checkBrowseMode();
        posted = true;
    });
    return posted;
}

int TSetupFrm::selectedPrizeItem() const
{
    const QModelIndex current = dxDBGrid2->currentIndex();
    if (!current.isValid())
        return 0;
    return ADOQuery2->index(current.row(), ADOQuery2->columnOf(u"RecNo"_s)).data().toInt();
}

TSetupFrm::~TSetupFrm()
{
    if (SetupFrm == this)
        SetupFrm = nullptr;
    // The grid outlives this part of the screen while its children are
    // destroyed, and its header still reports resizes then.
    dxDBGrid1->horizontalHeader()->disconnect(this);
    dxDBGrid1->horizontalScrollBar()->disconnect(this);
}

void TSetupFrm::buildControls()
{
    // The settings' fields come from the settings table, placed in the design.
    m_form = std::make_unique<SettingsForm>(SettingSpec::Page::Settings, this, *services.dialogs);
    // A picked music file is the one in memory at once, also when the
    // screen is then cancelled: the main screen plays it at its next reload.
    m_form->onFileChosen = [this](const SettingSpec &, const QString &file) { services.settings.backSound = file; };
    const struct {
        const char16_t *key;
        QRect editor;
        QPoint label;
    } kPlaces[] = {
        {u"backSound", {80, 12, 669, 21}, {17, 16}}, {u"ATltle", {80, 36, 417, 21}, {16, 40}},
        {u"iTime", {560, 36, 47, 21}, {504, 40}},    {u"showNo", {304, 336, 193, 17}, {}},
        {u"rollEligible", {304, 358, 305, 17}, {}},  {u"stageScreen", {96, 334, 193, 21}, {16, 338}},
    };
    for (const auto &place : kPlaces) {
        const QString key = QString::fromUtf16(place.key);
        m_form->editor(key)->setGeometry(place.editor);
        if (QLabel *caption = m_form->label(key)) {
            caption->adjustSize();
            caption->move(place.label);
        }
    }
    RzButtonEdit2 = static_cast<QLineEdit *>(m_form->editor(u"backSound"_s));
    RzButtonEdit2Button = RzButtonEdit2->actions().constFirst();
    CheckBox1 = static_cast<QCheckBox *>(m_form->editor(u"showNo"_s));

    auto command = [this](const QString &name, const QString &caption, const QString &hint,
                          void (TSetupFrm::*handler)()) {
        auto *action = new QAction(caption, this);
        action->setObjectName(name);
        action->setToolTip(hint.isEmpty() ? caption : hint);
        connect(action, &QAction::triggered, this,
                [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
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

    // The status line has a row of its own below the check boxes, as wide as
    // the room left of OK: the name it ends with is shown whole.
    Label1 = label(this, u"Label1"_s, u"准备就绪"_s, 16, 0);
    Label1->move(16, m_form->editor(u"rollEligible"_s)->geometry().bottom() + 1);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(u"ProgressBar1"_s);
    ProgressBar1->setGeometry(16, std::max(390, Label1->geometry().bottom() + 2), 425, 17);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);

    BitBtn1 = button(this, u"BitBtn1"_s, u"确认"_s, {596, 390, 75, 25});
    Label1->resize(BitBtn1->x() - 8 - Label1->x(), Label1->height());
    BitBtn1->setDefault(true);
    BitBtn2 = button(this, u"BitBtn2"_s, u"取消"_s, {676, 390, 75, 25});
    connect(BitBtn1, &QPushButton::clicked, this, &TSetupFrm::accept);
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });

    DataFolderLabel = label(this, u"DataFolderLabel"_s, QString(), 16, 420);
    DataFolderLabel->setGeometry(16, 420, 733, 17);
    DataFolderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    // The bottom row (y 444) holds the commands on the data as a whole and on
    // the stage's look: backup and restore from x 16, the password, the look
    // and the photos from x 304.
    ActBackup = command(u"ActBackup"_s, u"备份数据"_s, u"把数据库、设置和图片保存到一个文件，可以带到另一台电脑"_s,
                        &TSetupFrm::ActBackupExecute);
    ActRestore =
        command(u"ActRestore"_s, u"恢复数据"_s, u"恢复到某次重置、清除、删除或导入之前的数据，或从备份文件恢复"_s,
                &TSetupFrm::ActRestoreExecute);
    BackupButton = button(this, u"BackupButton"_s, ActBackup->text(), {16, 444, 89, 25});
    BackupButton->setToolTip(ActBackup->toolTip());
    RestoreButton = button(this, u"RestoreButton"_s, ActRestore->text(), {112, 444, 89, 25});
    RestoreButton->setToolTip(ActRestore->toolTip());
    connect(BackupButton, &QPushButton::clicked, ActBackup, &QAction::trigger);
    connect(RestoreButton, &QPushButton::clicked, ActRestore, &QAction::trigger);
    PasswordButton = button(this, u"PasswordButton"_s, u"设置密码"_s, {304, 444, 89, 25});
    connect(PasswordButton, &QPushButton::clicked, this, &TSetupFrm::passwordRequested);
    LookButton = button(this, u"LookButton"_s, u"舞台外观"_s, {400, 444, 89, 25});
    connect(LookButton, &QPushButton::clicked, this, [this] { guarded([this] { ActLookExecute(); }); });
    PhotosButton = button(this, u"PhotosButton"_s, u"导入照片文件夹"_s, {496, 444, 113, 25});
    connect(PhotosButton, &QPushButton::clicked, this, [this] { guarded([this] { ActPhotosExecute(); }); });
    // Both write into the data folder, known once it is shown.
    LookButton->setEnabled(false);
    PhotosButton->setEnabled(false);
}

void TSetupFrm::ActLookExecute()
{
    TStageLookFrm look(picturesFolder(m_dataFolder), *services.dialogs, this);
    look.setLook(m_look.background, m_look.logo, m_look.showPhotos);
    if (services.dialogs->runModal(look) == QDialog::Accepted)
        m_look = {look.background(), look.logo(), look.showPhotos()};
}

void TSetupFrm::ActPhotosExecute()
{
    const QString from = services.dialogs->openFolderName(this, u"选择照片文件夹"_s);
    if (from.isEmpty())
        return;
    // Sub-folders are the factories' own photos: one that names no factory
    // of the roster would never be looked in.
    QSet<QString> factories;
    readRoster(*services.db, [&](const RosterRowView &row) {
        factories.insert(QString::fromUtf8(row.factory));
        return true;
    });
    const QString to = photosFolder(m_dataFolder);
    const PhotoCopy copy = copyPhotos(from, to, factories);
    // Who of the roster has a photo now, found as the stage finds them, and
    // which of the photos just copied nobody's lookup reaches.
    const PhotoFolder photos(to);
    QSet<QString> unused(copy.copiedFiles.begin(), copy.copiedFiles.end());
    int people = 0;
    int withPhoto = 0;
    readRoster(*services.db, [&](const RosterRowView &row) {
        ++people;
        const QString photo = photos.photoOf(QString::fromUtf8(row.code), QString::fromUtf8(row.factory));
        if (!photo.isEmpty()) {
            ++withPhoto;
            unused.remove(photo);
        }
        return true;
    });
    QString text = u"已导入照片 %1 张。员工名单 %2 人中有 %3 人有照片。"_s.arg(copy.copied).arg(people).arg(withPhoto);
    // Of many files the first few say enough.
    const auto listed = [](QStringList names) -> QString {
        names.sort();
        return names.mid(0, 5).join(u'\n') + (names.size() > 5 ? u"\n……"_s : QString());
    };
    if (!unused.isEmpty()) {
        QStringList names;
        for (const QString &path : unused)
            names << QDir::toNativeSeparators(QDir(to).relativeFilePath(path));
        text += u"\n\n其中 %1 张照片没有对应的员工(文件名应是员工名单中的工号)，抽奖时不会显示：\n"_s.arg(names.size())
                + listed(names);
    }
    if (!copy.skippedFolders.isEmpty()) {
        text +=
            u"\n\n以下子文件夹的名字不是员工名单中的工厂名称，其中的照片没有导入：\n"_s + listed(copy.skippedFolders);
    }
    const QStringList problems = copy.failed + copy.refused;
    if (!problems.isEmpty())
        text += u"\n\n以下文件未导入（共 %1 个）：\n"_s.arg(problems.size()) + listed(problems);
    if (copy.copied == 0 && problems.isEmpty() && copy.skippedFolders.isEmpty())
        text = u"文件夹“%1”中没有照片（以工号命名的 .jpg 或 .png 文件）。"_s.arg(QDir::toNativeSeparators(from));
    const bool clean = problems.isEmpty() && unused.isEmpty() && copy.skippedFolders.isEmpty();
    services.dialogs->notify(this, text, u"系统提示"_s, clean ? Dialogs::Icon::Information : Dialogs::Icon::Warning);
}

void TSetupFrm::showDataFolder(const QString &folder)
{
    m_dataFolder = folder;
    ADOQuery2->setPicturesFolder(folder.isEmpty() ? QString() : picturesFolder(folder));
    LookButton->setEnabled(!folder.isEmpty());
    PhotosButton->setEnabled(!folder.isEmpty());
    const QString path = QDir::toNativeSeparators(folder);
    const QString caption = u"数据文件夹："_s;
    // A long path keeps its start and its end, the parts that tell where it is.
    const QFontMetrics metrics(DataFolderLabel->font());
    DataFolderLabel->setText(
        caption
        + metrics.elidedText(path, Qt::ElideMiddle, DataFolderLabel->width() - metrics.horizontalAdvance(caption)));
    DataFolderLabel->setToolTip(path);
}

void TSetupFrm::buildRosterGrid()
{
    dxDBGrid1 = grid(this, u"dxDBGrid1"_s, {16, 86, 273, 243 - kFooterHeight});
    ADOQuery1 = new RosterGridList(*services.db, this);
    ADOQuery1->setObjectName(u"ADOQuery1"_s);
    rosterGrid = new PostedGrid(*dxDBGrid1, *ADOQuery1, *services.dialogs);
    connect(rosterGrid, &PostedGrid::deleteRequested, this, [this] { deleteGridRow(*rosterGrid); });
    dxDBGrid1->verticalHeader()->hide();
    dxDBGrid1->hideColumn(ADOQuery1->columnOf(u"RecNo"_s));
    rosterGrid->setColumnWidths({23, 75, 62, 56, 71});
    QHeaderView *header = dxDBGrid1->horizontalHeader();

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
}

void TSetupFrm::buildPrizeGrid()
{
    // Wider than the classic 313 by the columns 抽奖范围 and 奖品图片.
    dxDBGrid2 = grid(this, u"dxDBGrid2"_s, {296, 85, 453, 244});
    ADOQuery2 = new PrizeGridList(*services.db, this);
    ADOQuery2->setObjectName(u"ADOQuery2"_s);
    connect(ADOQuery2, &PostedList::cellEdited, this, &TSetupFrm::ADOQuery2iNumberChange);
    prizeGrid = new PostedGrid(*dxDBGrid2, *ADOQuery2, *services.dialogs);
    connect(prizeGrid, &PostedGrid::deleteRequested, this, [this] { deleteGridRow(*prizeGrid); });
    dxDBGrid2->hideColumn(ADOQuery2->columnOf(u"RecNo"_s));
    dxDBGrid2->verticalHeader()->setFixedWidth(12);
    prizeGrid->setColumnWidths({32, 65, 48, 72, 59, 60, 80, 60});
    const int scopeColumn = ADOQuery2->columnOf(PrizeGridList::scopeField());
    const int pictureColumn = ADOQuery2->columnOf(PrizeGridList::pictureField());
    connect(dxDBGrid2, &QAbstractItemView::doubleClicked, this,
            [this, scopeColumn, pictureColumn](const QModelIndex &index) {
                if (index.column() == scopeColumn)
                    guarded([this] { editScope(); });
                else if (index.column() == pictureColumn)
                    guarded([this] { choosePrizePicture(); });
            });
}

void TSetupFrm::choosePrizePicture()
{
    // The picture is named by the item's RecNo, which a new row gets when written.
    ADOQuery2->post();
    const int recNo = ADOQuery2->field(u"RecNo"_s).toInt();
    if (recNo == 0 || m_dataFolder.isEmpty())
        return;
    const QString file = services.dialogs->openFileName(this, TStageLookFrm::pictureFilter());
    if (file.isEmpty())
        return;
    const StoredPicture stored =
        storePicture(file, picturesFolder(m_dataFolder), prizePictureBaseName(recNo), /*onlyOne=*/true,
                     [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    if (!stored.error.isEmpty())
        services.dialogs->notify(this, stored.error, u"系统提示"_s, Dialogs::Icon::Warning);
    ADOQuery2->refreshLookUps();
}

void TSetupFrm::editScope()
{
    // A new row gets its RecNo when it is written: the scope belongs to it.
    ADOQuery2->post();
    const int recNo = ADOQuery2->field(u"RecNo"_s).toInt();
    if (recNo == 0)
        return;
    TScopePickerFrm picker(ScopeStore::rosterGroups(*services.db), ADOQuery2->scopeOf(recNo), this);
    if (services.dialogs->runModal(picker) == QDialog::Accepted)
        ADOQuery2->setScope(recNo, picker.chosenRows());
}

void TSetupFrm::placeFooter()
{
    if (m_presentation == Presentation::ConsolePages)
        return;
    const int column = ADOQuery1->columnOf(u"EmpCode"_s);
    const int left = dxDBGrid1->frameWidth() + dxDBGrid1->horizontalHeader()->sectionViewportPosition(column);
    dxDBGrid1Footer->setGeometry(left, 1, dxDBGrid1->columnWidth(column) - 2, kFooterHeight - 2);
}

void TSetupFrm::guarded(const std::function<void()> &step) { runReported(*services.dialogs, this, step); }

void TSetupFrm::FormShow()
{
    // The loop count's box holds it to 5 … 50.
    m_form->load(services.settings);
    m_look = {services.settings.stageBackground, services.settings.stageLogo, services.settings.showPhotos};
    services.db->ensureOpen();
    reopenRoster();
    reopenPrizeItems();
}

void TSetupFrm::reopenRoster()
{
    ADOQuery1->open();
    m_rosterCount = countEmployees(*services.db);
    dxDBGrid1Footer->setText(QString::number(m_rosterCount));
    rosterGrid->fitColumns();
}

void TSetupFrm::reopenPrizeItems()
{
    ADOQuery2->open();
    prizeGrid->fitColumns();
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
    ADOQuery2->checkBrowseMode();
    resetDraw(*services.db);
    m_drawWasReset = true;
    Q_EMIT drawReset();
    reopenPrizeItems();
    if (ADOQuery2->rowCount() > 0)
        ADOQuery2->setCurrent(ADOQuery2->rowCount() - 1);
    services.dialogs->notify(this, u"初始化完成!"_s, u" 系统提示"_s, Dialogs::Icon::None);
}

void TSetupFrm::ActDelExecute()
{
    if (ADOQuery2->rowCount() == 0)
        return;
    ADOQuery2->deleteCurrent();
}

void TSetupFrm::ActBackupExecute()
{
    const QString file =
        services.dialogs->saveFileName(this, BackupFile::filter(), u"zip"_s,
                                       u"抽奖备份-"_s + QDate::currentDate().toString(u"yyyyMMdd"_s) + u".zip"_s);
    if (file.isEmpty())
        return;
    if (const QString refused = BackupFile::refusedTarget(*services.db, file); !refused.isEmpty())
        throw AppError(refused);
    if (QFileInfo::exists(file)
        && !services.dialogs->ask(this,
                                  u"文件 %1 已经存在，要用新的备份替换它吗?"_s.arg(QDir::toNativeSeparators(file)),
                                  u"系统提示"_s, Dialogs::Icon::Question, Dialogs::Buttons::OkCancel))
        return;
    // The rows being edited belong in the backup.
    ADOQuery1->checkBrowseMode();
    ADOQuery2->checkBrowseMode();
    BackupFile::save(*services.db, file);
    services.dialogs->notify(this, u"数据已备份到 %1。"_s.arg(QDir::toNativeSeparators(file)), u"系统提示"_s,
                             Dialogs::Icon::Information);
}

void TSetupFrm::ActRestoreExecute()
{
    ADOQuery1->checkBrowseMode();
    ADOQuery2->checkBrowseMode();
    TRestoreFrm picker(Snapshots::list(services.db->path()), this);
    if (services.dialogs->runModal(picker) != QDialog::Accepted)
        return;
    QString file;
    QString question;
    if (picker.fromFile()) {
        file = services.dialogs->openFileName(this, BackupFile::filter());
        if (file.isEmpty())
            return;
        question = u"确定要用备份文件 %1 中的数据替换现在的数据吗?"_s.arg(QDir::toNativeSeparators(file));
    } else if (const Snapshots::Entry *entry = picker.chosen()) {
        file = entry->path;
        question = u"确定要恢复到 %1 “%2”之前的数据吗?(员工%3人，奖项%4个，中奖者%5人)"_s.arg(
            entry->when.toString(u"yyyy-MM-dd HH:mm:ss"_s), entry->action, QString::number(entry->people),
            QString::number(entry->items), QString::number(entry->winners));
    } else {
        return;
    }
    if (!services.dialogs->ask(this, question + u"\n现在的数据会先保存为快照，之后还可以恢复回来。"_s, u"系统提示"_s,
                               Dialogs::Icon::Question, Dialogs::Buttons::OkCancel))
        return;
    if (picker.fromFile()) {
        BackupFile::RestoreOptions options;
        // A large backup takes a while to unpack: the screen says how far it
        // is and keeps painting (the operator's input waits: nothing may
        // change the data meanwhile).
        const QString shown = DataFolderLabel->text();
        options.progress = [this](qint64 done, qint64 total) {
            DataFolderLabel->setText(u"正在展开备份文件……%1%"_s.arg(total > 0 ? done * 100 / total : 100));
            DataFolderLabel->repaint();
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        };
        options.askPassword = [this] {
            return services.dialogs->inputText(
                this, u"恢复数据"_s,
                u"备份中的密码与现在的密码不同。输入现在的密码或备份中的密码，就改用备份中的密码；"
                u"不输入则保留现在的密码。"_s,
                true);
        };
        const struct Restored {
            QLabel *label;
            QString text;
            ~Restored() { label->setText(text); }
        } restored{DataFolderLabel, shown};
        BackupFile::restore(*services.db, file, options);
    } else
        Snapshots::restoreFrom(*services.db, file);
    // Everything the screens show came from the data now replaced: the
    // screen closes and the main screen reads it all again.
    m_dataWasReplaced = true;
    services.dialogs->notify(this, u"数据已恢复。"_s, u"系统提示"_s, Dialogs::Icon::Information);
    if (m_presentation == Presentation::ConsolePages) {
        // The pages stay and show the restored data.
        Q_EMIT dataReplaced();
        FormShow();
        return;
    }
    QDialog::reject();
}

void TSetupFrm::deleteGridRow(PostedGrid &grid)
{
    grid.run([&] {
        if (!services.dialogs->ask(this, u"删除当前记录吗?"_s, u"系统提示"_s, Dialogs::Icon::Question,
                                   Dialogs::Buttons::OkCancel))
            return;
        if (&grid == rosterGrid) {
            ADOQuery1->deleteCurrent();
            m_rosterCount = countEmployees(*services.db);
            dxDBGrid1Footer->setText(QString::number(m_rosterCount));
        } else {
            ADOQuery2->deleteCurrent();
        }
    });
}

void TSetupFrm::ADOQuery2iNumberChange(const QString &field)
{
    if (field != u"iNumber"_s)
        return;
    const int perPress = ADOQuery2->field(u"iNumber"_s).toInt();
    const int sum = ADOQuery2->field(u"SumNumber"_s).toInt();
    const PerPressCheck check = checkPerPress(perPress, sum);
    if (check.accepted)
        return;
    services.dialogs->notify(this, perPressMessage(), perPressCaption(), Dialogs::Icon::None);
    // Stored without running the rule again: with a total below 1 the
    // replacement would fail it too, without end.
    ADOQuery2->setField(u"iNumber"_s, check.replacement);
}

Settings TSetupFrm::settings() const
{
    Settings chosen = services.settings;
    m_form->store(chosen);
    chosen.stageBackground = m_look.background;
    chosen.stageLogo = m_look.logo;
    chosen.showPhotos = m_look.showPhotos;
    return chosen;
}

void TSetupFrm::BitBtn2Click()
{
    if (!Importing) {
        if (m_presentation == Presentation::Screen)
            QDialog::reject();
        return;
    }
    if (!services.dialogs->ask(this, u"确定要取消本次操作吗?"_s, u"系统提示"_s, Dialogs::Icon::Information,
                               Dialogs::Buttons::OkCancel))
        return;
    CancelImport = true;
    Importing = false;
    BitBtn1->setEnabled(true);
    if (m_import)
        m_import->stop();
}

void TSetupFrm::reject() { BitBtn2Click(); }

void TSetupFrm::accept()
{
    // A row typed and not yet left would be lost without a word.
    bool posted = false;
    guarded([&] {
        ADOQuery1->checkBrowseMode();
        ADOQuery2->checkBrowseMode();
        posted = true;
    });
    if (posted)
        QDialog::accept();
}
