#include "ui/console/operatorconsole.h"

#include "base/dialogs.h"
#include "draw/presslimit.h"
#include "draw/prizeround.h"
#include "media/picturecache.h"
#include "store/drawlog.h"
#include "ui/admin/listsfrm.h"
#include "ui/admin/settingspage.h"
#include "ui/admin/setupblankfrm.h"
#include "ui/admin/setupfrm.h"
#include "ui/admin/stagelookfrm.h"
#include "ui/common/stage.h"
#include "ui/main/startfrm.h"

#include <QAction>
#include <QBackingStore>
#include <qpa/qplatformbackingstore.h>
#include <QBoxLayout>
#include <QDateTime>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
// The live picture: a few frames a second at most; while the digits roll
// fewer, so that the roll never waits for it.
constexpr int kPictureIdleMs = 333;
constexpr int kPictureRollingMs = 2000;
constexpr int kPictureWidth = 480;

QTableWidget *table(QWidget *parent, const QString &name, const QStringList &columns)
{
    auto *t = new QTableWidget(0, static_cast<int>(columns.size()), parent);
    t->setObjectName(name);
    t->setHorizontalHeaderLabels(columns);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->verticalHeader()->hide();
    // Every value whole: the columns are as wide as their values.
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    t->horizontalHeader()->setStretchLastSection(true);
    t->setWordWrap(false);
    return t;
}

QTableWidgetItem *cell(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setToolTip(text);
    return item;
}
} // namespace

OperatorConsole::OperatorConsole(TStartFrm &stage, Database &db, Dialogs &dialogs, Pacer &pacer, const Folders &folders,
                                 QWidget *parent)
    : QWidget(parent), m_stage(stage), m_db(db), m_dialogs(dialogs), m_pageSettings(stage.settingsModel().values())
{
    const QString &dataFolder = folders.data;
    setObjectName(u"OperatorConsole"_s);
    setWindowTitle(title());
    // A normal window of the operator's screen, laid out for its real size.
    Stage::declare(this, Stage::Role::Console);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(u"ConsoleTabs"_s);
    m_home = new QWidget(m_tabs);
    m_home->setObjectName(u"ConsoleHome"_s);
    buildHome(m_home);
    m_tabs->addTab(m_home, u"控制台"_s);

    // The settings screen's parts as three pages; what it did on OK and
    // Cancel happens at once.
    // A hidden part of this window: the boxes its commands open belong here.
    m_setup =
        std::make_unique<TSetupFrm>(m_pageSettings, db, dialogs, pacer, this, TSetupFrm::Presentation::ConsolePages);
    m_setup->showDataFolder(dataFolder);
    connect(m_setup.get(), &TSetupFrm::drawReset, &stage, &TStartFrm::drawWasReset);
    connect(m_setup.get(), &TSetupFrm::dataReplaced, &stage, [this] {
        m_stage.dataReplaced();
        m_pagesDirty = false;
        showLook();
        m_settings->load();
    });
    connect(m_setup.get(), &TSetupFrm::currentItemChosen, &stage, [this](int recNo) {
        leavePages();
        m_stage.chooseCurrentItem(recNo);
    });
    m_tabs->addTab(m_setup->prizePage(), u"奖项"_s);
    m_tabs->addTab(m_setup->rosterPage(), u"员工"_s);

    m_winners = new TListsFrm(db, dialogs, stage.round, m_tabs, TListsFrm::Presentation::ConsolePage);
    connect(m_winners, &TListsFrm::winnersChanged, this,
            [this](int absentItem) { m_stage.winnersChanged(absentItem); });
    connect(m_winners, &TListsFrm::seedRevealed, &stage, &TStartFrm::showCommitment);
    m_tabs->addTab(m_winners, u"中奖名单"_s);

    // Designations and exclusions appear only behind the password.
    m_designationsHolder = new QWidget(m_tabs);
    m_designationsHolder->setObjectName(u"DesignationsPage"_s);
    auto *holder = new QVBoxLayout(m_designationsHolder);
    holder->setContentsMargins(0, 0, 0, 0);
    auto *lockedPanel = new QWidget(m_designationsHolder);
    lockedPanel->setObjectName(u"DesignationsLocked"_s);
    auto *locked = new QVBoxLayout(lockedPanel);
    auto *unlock = new QPushButton(u"输入密码，打开指定与排除名单"_s, lockedPanel);
    unlock->setObjectName(u"UnlockDesignationsButton"_s);
    connect(unlock, &QPushButton::clicked, this, [this] { openDesignations(); });
    locked->addStretch();
    locked->addWidget(unlock, 0, Qt::AlignCenter);
    locked->addStretch();
    holder->addWidget(lockedPanel);
    m_tabs->addTab(m_designationsHolder, u"指定与排除"_s);
    // The tabs in the order the issue names them: prizes, roster, designations, winners.
    m_tabs->tabBar()->moveTab(m_tabs->indexOf(m_designationsHolder), m_tabs->indexOf(m_winners));

    m_look = new TStageLookFrm(picturesFolder(dataFolder), dialogs, m_tabs, TStageLookFrm::Presentation::ConsolePage);
    connect(m_look, &TStageLookFrm::applied, this, [this] {
        runReported(m_dialogs, this, [this] {
            Settings next = m_stage.settingsModel().values();
            next.stageBackground = m_look->background();
            next.stageLogo = m_look->logo();
            next.showPhotos = m_look->showPhotos();
            m_stage.settingsModel().apply(next);
        });
    });
    connect(m_look, &TStageLookFrm::reverted, this, &OperatorConsole::showLook);
    m_tabs->addTab(m_look, u"舞台外观"_s);
    m_tabs->addTab(m_setup->dataPage(), u"数据"_s);
    m_setup->FormShow();

    m_settings = new SettingsPage(stage.settingsModel(), dialogs, m_tabs);
    connect(m_settings, &SettingsPage::passwordRequested, this, [this] { m_stage.openPasswordScreen(this); });
    m_tabs->addTab(m_settings, u"设置"_s);
    connect(m_tabs, &QTabWidget::currentChanged, this, &OperatorConsole::pageShown);

    auto *help = new QPushButton(u"帮助"_s, this);
    help->setObjectName(u"HelpButton"_s);
    connect(help, &QPushButton::clicked, &stage, &TStartFrm::helpRequested);
    m_clock = new QLabel(this);
    m_clock->setObjectName(u"Clock"_s);
    auto *folder = new QLabel(u"数据文件夹：%1"_s.arg(QDir::toNativeSeparators(dataFolder)), this);
    folder->setObjectName(u"DataFolder"_s);
    folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // What the audience photographs before the first press, as the stage shows it.
    m_commit = new QLabel(this);
    m_commit->setObjectName(u"Commitment"_s);
    m_commit->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *footer = new QHBoxLayout;
    footer->addWidget(m_clock);
    footer->addSpacing(24);
    footer->addWidget(folder, 1);
    footer->addWidget(m_commit);
    footer->addSpacing(24);
    footer->addWidget(help);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(footer);

    auto *clock = new QTimer(this);
    auto tick = [this] { m_clock->setText(QDateTime::currentDateTime().toString(u"yyyy-MM-dd HH:mm:ss"_s)); };
    connect(clock, &QTimer::timeout, this, tick);
    clock->start(1000);
    tick();

    m_pictureTimer = new QTimer(this);
    connect(m_pictureTimer, &QTimer::timeout, this, &OperatorConsole::takePicture);
    m_pictureTimer->start(kPictureIdleMs);

    buildKeys(m_home);
    stage.setPressGuard([this] { return leavePages(); });
    m_lastPage = m_home;
    showLook();
    // What the stage shows changes with every winner: the console follows
    // once the press lets events through, not at each change.
    m_refreshTimer = new QTimer(this);
    m_refreshTimer->setSingleShot(true);
    m_refreshTimer->setInterval(0);
    connect(m_refreshTimer, &QTimer::timeout, this, &OperatorConsole::refresh);
    connect(&stage, &TStartFrm::shownChanged, m_refreshTimer, qOverload<>(&QTimer::start));
    connect(&stage, &TStartFrm::pressStateChanged, this, [this](PressState state) {
        m_pictureTimer->setInterval(state == PressState::Rolling ? kPictureRollingMs : kPictureIdleMs);
        // 弃奖 and 删除 open only once the press has ended; its first winner
        // is selected, so that Shift+Del at once takes out an absent one.
        refresh();
        if (state == PressState::Idle && m_press->rowCount() > 0 && m_tabs->currentWidget() == m_home) {
            m_press->setCurrentCell(0, 1);
            m_press->setFocus();
        }
    });
    refresh();
}

OperatorConsole::~OperatorConsole() = default;

void OperatorConsole::buildHome(QWidget *home)
{
    auto *now = new QGroupBox(u"现在"_s, home);
    m_item = new QLabel(now);
    m_item->setObjectName(u"NowItem"_s);
    QFont big = m_item->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    m_item->setFont(big);
    m_item->setWordWrap(true);
    m_itemFacts = new QLabel(now);
    m_itemFacts->setObjectName(u"NowFacts"_s);
    m_itemFacts->setWordWrap(true);
    m_state = new QLabel(now);
    m_state->setObjectName(u"PressState"_s);
    QFont stateFont = m_state->font();
    stateFont.setPointSizeF(stateFont.pointSizeF() * 1.4);
    stateFont.setBold(true);
    m_state->setFont(stateFont);
    m_keys = new QLabel(now);
    m_keys->setObjectName(u"PressKeys"_s);
    m_keys->setWordWrap(true);
    auto *nowLayout = new QVBoxLayout(now);
    nowLayout->addWidget(m_item);
    nowLayout->addWidget(m_itemFacts);
    nowLayout->addWidget(m_state);
    nowLayout->addWidget(m_keys);
    nowLayout->addStretch();

    auto *next = new QGroupBox(u"接下来"_s, home);
    m_next = table(next, u"NextItems"_s, {u"顺序"_s, u"奖项"_s, u"奖品"_s, u"剩余名额"_s, u"说明"_s});
    auto *nextLayout = new QVBoxLayout(next);
    nextLayout->addWidget(m_next);

    auto *picture = new QGroupBox(u"舞台画面"_s, home);
    m_picture = new QLabel(picture);
    m_picture->setObjectName(u"StagePicture"_s);
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setMinimumSize(kPictureWidth / 2, kPictureWidth * 9 / 32);
    auto *pictureLayout = new QVBoxLayout(picture);
    pictureLayout->addWidget(m_picture);

    auto *press = new QGroupBox(u"本轮中奖"_s, home);
    m_press =
        table(press, u"PressWinners"_s, {u"照片"_s, u"工厂"_s, u"部门"_s, u"姓名"_s, u"工号"_s, QString(), QString()});
    m_press->verticalHeader()->setDefaultSectionSize(48);
    m_press->horizontalHeader()->setStretchLastSection(false);
    auto *pressLayout = new QVBoxLayout(press);
    pressLayout->addWidget(m_press);
    // The winners list's keys: Del deletes, Shift+Del takes out as absent.
    auto rowKey = [this](const QKeySequence &sequence, bool absent) {
        auto *action = new QAction(m_press);
        action->setShortcut(sequence);
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, this, [this, absent] {
            const int row = m_press->currentRow();
            if (row >= 0 && row < static_cast<int>(m_pressLabels.size()))
                withdraw(m_pressLabels[static_cast<size_t>(row)], absent);
        });
        m_press->addAction(action);
    };
    rowKey(QKeySequence(Qt::Key_Delete), false);
    rowKey(QKeySequence(Qt::SHIFT | Qt::Key_Delete), true);

    auto *grid = new QGridLayout(home);
    grid->addWidget(now, 0, 0);
    grid->addWidget(picture, 0, 1);
    grid->addWidget(next, 1, 0);
    grid->addWidget(press, 1, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(1, 1);
}

void OperatorConsole::buildKeys(QWidget *home)
{
    // Enter and Esc on the console's own page and its tab (the other pages'
    // fields and grids keep theirs); the function keys on every page.
    auto key = [this](QWidget *scope, const QKeySequence &sequence, PressKey pressKey, Qt::ShortcutContext context) {
        auto *action = new QAction(scope);
        action->setShortcut(sequence);
        action->setShortcutContext(context);
        connect(action, &QAction::triggered, this, [this, pressKey, context] {
            if (context == Qt::WidgetWithChildrenShortcut && m_tabs->currentWidget() != m_home)
                return;
            runReported(m_dialogs, this, [this, pressKey] { m_stage.runKey(pressKey); });
        });
        scope->addAction(action);
        return action;
    };
    for (const auto &[qtKey, pressKey] : {std::pair{Qt::Key_Return, PressKey::Enter},
                                          {Qt::Key_Enter, PressKey::Enter},
                                          {Qt::Key_Escape, PressKey::Escape}}) {
        QAction *action = key(home, QKeySequence(qtKey), pressKey, Qt::WidgetWithChildrenShortcut);
        m_tabs->tabBar()->addAction(action);
    }
    const std::pair<Qt::Key, PressKey> functionKeys[] = {{Qt::Key_F1, PressKey::F1},  {Qt::Key_F2, PressKey::F2},
                                                         {Qt::Key_F7, PressKey::F7},  {Qt::Key_F8, PressKey::F8},
                                                         {Qt::Key_F9, PressKey::F9},  {Qt::Key_F10, PressKey::F10},
                                                         {Qt::Key_F11, PressKey::F11}};
    for (const auto &[qtKey, pressKey] : functionKeys)
        key(this, QKeySequence(qtKey), pressKey, Qt::WindowShortcut);
    home->setFocusPolicy(Qt::StrongFocus);
    home->setFocus();
}

void OperatorConsole::showLook()
{
    const Settings &now = m_stage.settingsModel().values();
    m_look->setLook(now.stageBackground, now.stageLogo, now.showPhotos);
}

bool OperatorConsole::leavePages()
{
    if (!m_setup->post())
        return false;
    if (m_designations && !m_designations->post())
        return false;
    if (m_pagesDirty) {
        m_pagesDirty = false;
        m_stage.pagesChanged();
    }
    return true;
}

bool OperatorConsole::showPageFor(PressCommand command)
{
    switch (command) {
    case PressCommand::NewItem:
    case PressCommand::ChooseItem:
        m_tabs->setCurrentWidget(m_setup->prizePage());
        return true;
    case PressCommand::Winners:
        m_tabs->setCurrentWidget(m_winners);
        return true;
    case PressCommand::Designations:
        m_tabs->setCurrentWidget(m_designationsHolder);
        if (!m_designations)
            openDesignations();
        return true;
    case PressCommand::Settings:
        m_tabs->setCurrentWidget(m_settings);
        return true;
    default:
        return false;
    }
}

bool OperatorConsole::openDesignations()
{
    if (m_designations)
        return true;
    if (!m_stage.PasswordGate(this))
        return false;
    m_designations =
        new TSetupBlankFrm(m_db, m_dialogs, m_designationsHolder, TSetupBlankFrm::Presentation::ConsolePage);
    const auto children = m_designationsHolder->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget *child : children) {
        if (child != m_designations)
            child->hide();
    }
    m_designationsHolder->layout()->addWidget(m_designations);
    m_designations->show();
    return true;
}

void OperatorConsole::pageShown(int index)
{
    QWidget *page = m_tabs->widget(index);
    QWidget *left = m_lastPage;
    m_lastPage = page;
    const QList<QWidget *> writing{m_setup->prizePage(), m_setup->rosterPage(), m_setup->dataPage(),
                                   m_designationsHolder};
    // A page the operator leaves takes its pending rows with it, and the
    // stage reads what it changed; the designations close again behind the
    // password.
    if (writing.contains(left) && page != left) {
        if (!leavePages()) {
            m_tabs->setCurrentWidget(left);
            m_lastPage = left;
            return;
        }
        if (left == m_designationsHolder && m_designations) {
            m_designations->deleteLater();
            m_designations = nullptr;
            const auto children = m_designationsHolder->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
            for (QWidget *child : children)
                child->show();
        }
    }
    if (writing.contains(page))
        m_pagesDirty = true;
    if (page == m_setup->prizePage() || page == m_setup->rosterPage())
        m_setup->FormShow();
    if (page == m_winners)
        m_winners->reload();
    else if (page == m_settings)
        m_settings->load();
    else if (page == m_look)
        showLook();
    else if (page == m_home) {
        refresh();
        m_home->setFocus();
    }
}

void OperatorConsole::refresh()
{
    const QString commitment = m_stage.commitment();
    m_commit->setText(commitment.isEmpty() ? QString() : u"抽奖承诺：%1"_s.arg(commitment));
    refreshNow();
    // The items change only between presses.
    if (m_stage.pressState() == PressState::Idle)
        refreshNext();
    refreshPress();
}

void OperatorConsole::refreshNow()
{
    PrizeRound &round = m_stage.round;
    const int item = round.currItemNo();
    const PressState state = m_stage.pressState();
    m_state->setText(pressStateText(state, round.currExcNum() + 1, !m_stage.pressWinners().empty()));
    m_keys->setText(u"可用按键："_s + pressKeysText(state).join(u"　"_s));
    if (item == 0 || round.currSumNumber() <= round.currExcNum()) {
        m_item->setText(u"没有可抽的奖项"_s);
        m_itemFacts->setText(u"全部奖项已抽完，或还没有设置奖项（F8 设置奖项）。"_s);
        return;
    }
    const QString scope = round.scopeText(item);
    m_item->setText(round.currItemName() + u"　奖品："_s + round.currAwards());
    m_itemFacts->setText(u"抽奖范围：%1\n已抽 %2 / 共 %3 人，每次抽取 %4 人\n还可以抽取的人数：%5"_s
                             .arg(scope.isEmpty() ? u"全体"_s : scope)
                             .arg(round.currExcNum())
                             .arg(round.currSumNumber())
                             .arg(winnersOfOnePress(round.perPress()))
                             .arg(round.data.eligibility.left(item)));
}

void OperatorConsole::refreshNext()
{
    std::vector<PrizeItem> items;
    std::map<int, int> returned;
    runReported(m_dialogs, this, [&] {
        items = m_stage.round.openItems();
        returned = returnedPlaces(m_stage.round.db());
    });
    m_next->setRowCount(static_cast<int>(items.size()));
    for (int r = 0; r < static_cast<int>(items.size()); ++r) {
        const PrizeItem &item = items[static_cast<size_t>(r)];
        const int left = item.SumNumber - item.ExcNum;
        QStringList notes;
        if (item.RecNo == m_stage.round.currItemNo())
            notes << u"当前奖项"_s;
        if (const auto it = returned.find(item.RecNo); it != returned.end())
            notes << u"含退回名额 %1 个（删除或弃奖）"_s.arg(std::min(it->second, left));
        m_next->setItem(r, 0, cell(QString::number(item.iSeq)));
        m_next->setItem(r, 1, cell(item.ItemName));
        m_next->setItem(r, 2, cell(item.Awards));
        m_next->setItem(r, 3, cell(QString::number(left)));
        m_next->setItem(r, 4, cell(notes.join(u"；"_s)));
    }
}

void OperatorConsole::refreshPress()
{
    const std::vector<TStartFrm::ShownWinner> &winners = m_stage.pressWinners();
    // The rows shown stay while the press only adds winners: each winner
    // costs one row, not the whole table again.
    const bool continues = m_pressLabels.size() <= winners.size()
                           && std::equal(m_pressLabels.begin(), m_pressLabels.end(), winners.begin(),
                                         [](int n, const TStartFrm::ShownWinner &w) { return n == w.n; });
    if (!continues) {
        m_press->setRowCount(0);
        m_pressLabels.clear();
    }
    const RosterTable &roster = m_stage.round.roster();
    m_press->setRowCount(static_cast<int>(winners.size()));
    for (auto r = static_cast<int>(m_pressLabels.size()); r < static_cast<int>(winners.size()); ++r) {
        const TStartFrm::ShownWinner &w = winners[static_cast<size_t>(r)];
        m_pressLabels.push_back(w.n);
        const std::vector<int> rows = roster.rowsOf(w.code, w.factory);
        const QString department = rows.empty() ? QString() : roster.department(rows.front());
        auto *photo = new QTableWidgetItem;
        // From the stage's cache, decoded away from this thread: a photo
        // still being read shows at the next refresh.
        if (!w.photo.isEmpty()) {
            const QImage image = m_stage.pictures().scaled(w.photo, QSize(33, 44), PictureCache::Fit::Cover);
            if (!image.isNull())
                photo->setData(Qt::DecorationRole, QPixmap::fromImage(image));
        }
        m_press->setItem(r, 0, photo);
        m_press->setItem(r, 1, cell(w.factory));
        m_press->setItem(r, 2, cell(department));
        m_press->setItem(r, 3, cell(w.name));
        m_press->setItem(r, 4, cell(w.code));
        const int n = w.n;
        auto *absent = new QPushButton(u"弃奖"_s, m_press);
        absent->setObjectName(u"AbsentButton%1"_s.arg(r + 1));
        absent->setToolTip(u"此人不在场：取消中奖，不再参加抽奖，名额重新抽取"_s);
        auto *remove = new QPushButton(u"删除"_s, m_press);
        remove->setObjectName(u"DeleteButton%1"_s.arg(r + 1));
        remove->setToolTip(u"删除此中奖者：名额退回，此人仍可再次中奖"_s);
        connect(absent, &QPushButton::clicked, this, [this, n] { withdraw(n, true); });
        connect(remove, &QPushButton::clicked, this, [this, n] { withdraw(n, false); });
        m_press->setCellWidget(r, 5, absent);
        m_press->setCellWidget(r, 6, remove);
    }
    // Nothing changes the data while a press runs.
    const bool idle = m_stage.pressState() == PressState::Idle;
    for (int r = 0; r < m_press->rowCount(); ++r) {
        for (int c : {5, 6}) {
            if (QWidget *button = m_press->cellWidget(r, c))
                button->setEnabled(idle);
        }
    }
}

void OperatorConsole::withdraw(int n, bool absent)
{
    const auto &winners = m_stage.pressWinners();
    const auto it =
        std::find_if(winners.begin(), winners.end(), [n](const TStartFrm::ShownWinner &w) { return w.n == n; });
    if (it == winners.end())
        return;
    const QString who = QStringList{it->factory, it->code, it->name}.join(u' ').simplified();
    const QString question = absent ? u"确定此获奖者弃奖并重新抽取吗？\n\n%1"_s.arg(who)
                                    : u"您确定要删除此获奖者吗？名额退回，此人仍可再次中奖。\n\n%1"_s.arg(who);
    if (!m_dialogs.ask(this, question, u"系统提示"_s, Dialogs::Icon::Question, Dialogs::Buttons::YesNo))
        return;
    runReported(m_dialogs, this, [&] { m_stage.withdrawWinner(n, absent); });
    refresh();
}

void OperatorConsole::takePicture()
{
    if (!isVisible() || !m_stage.isVisible() || m_tabs->currentWidget() != m_home)
        return;
    const QSize room = m_picture->size();
    const QSize stage = m_stage.size();
    if (room.isEmpty() || stage.isEmpty())
        return;
    const QSize shown = stage.scaled(room, Qt::KeepAspectRatio);
    // What the stage last painted, from its backing store: nothing is painted
    // again for the picture, so the roll never waits for it.
    // A raster store's own image is sampled where it lies (no copy of the
    // whole stage); another store gives a copy.
    if (QBackingStore *store = m_stage.backingStore(); store && store->handle()) {
        QPaintDevice *device = store->paintDevice();
        const QImage painted = device && device->devType() == QInternal::Image ? *static_cast<QImage *>(device)
                                                                               : store->handle()->toImage();
        if (!painted.isNull()) {
            m_picture->setPixmap(
                QPixmap::fromImage(painted.scaled(shown, Qt::KeepAspectRatio, Qt::FastTransformation)));
            return;
        }
    }
    QImage image(shown, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.scale(double(shown.width()) / stage.width(), double(shown.height()) / stage.height());
    m_stage.render(&painter, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    painter.end();
    m_picture->setPixmap(QPixmap::fromImage(image));
}
