#include "ui/admin/setupblankfrm.h"

#include "admin/personentry.h"
#include "ui/common/screenfonts.h"
#include "ui/admin/postedgrid.h"
#include "ui/admin/selectempdlgfrm.h"
#include "base/dialogs.h"
#include "base/errors.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTableView>

using namespace Qt::StringLiterals;

namespace {

// The "奖项" cell offers the prize items by name and stores the chosen RecNo.
class ItemCellDelegate : public QStyledItemDelegate {
public:
    ItemCellDelegate(const PrizeItemChoice &items, QObject *parent) : QStyledItemDelegate(parent), m_items(items) {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        auto *box = new QComboBox(parent);
        for (const PrizeItem &item : m_items.items())
            box->addItem(item.ItemName, item.RecNo);
        auto *self = const_cast<ItemCellDelegate *>(this);
        connect(box, &QComboBox::activated, self, [self, box] { Q_EMIT self->commitData(box); });
        return box;
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        static_cast<QComboBox *>(editor)->setCurrentIndex(m_items.indexOf(index.data(Qt::EditRole).toInt()));
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        auto *box = static_cast<QComboBox *>(editor);
        if (box->currentIndex() >= 0)
            model->setData(index, box->currentData());
    }

private:
    const PrizeItemChoice &m_items;
};

bool isEnter(const QKeyEvent *key) { return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter; }

} // namespace

TSetupBlankFrm::TSetupBlankFrm(Database &db, Dialogs &dialogs, QWidget *parent)
    : QDialog(parent), ADOQuery1(db, items), ADOQuery2(db), m_db(db), m_dialogs(dialogs)
{
    buildScreen();
    FormShow();
    DBEdit1->setFocus();
}

TSetupBlankFrm::~TSetupBlankFrm()
{
    // The grids go before the lists they show.
    delete dxDBGrid1;
    delete dxDBGrid2;
}

void TSetupBlankFrm::buildScreen()
{
    setObjectName(u"SetupBlankFrm"_s);
    setWindowTitle(u"系统设置"_s);
    setFixedSize(681, 309);
    setFont(screenFont({u"宋体"_s, u"SimSun"_s}, 13));

    auto command = [this](const QString &name, void (TSetupBlankFrm::*handler)()) {
        auto *action = new QAction(this);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return action;
    };
    ActADD = command(u"ActADD"_s, &TSetupBlankFrm::ActADDExecute);
    ActDEL = command(u"ActDEL"_s, &TSetupBlankFrm::ActDELExecute);
    actAdd2 = command(u"actAdd2"_s, &TSetupBlankFrm::actAdd2Execute);
    ActDEL2 = command(u"ActDEL2"_s, &TSetupBlankFrm::ActDEL2Execute);
    ActClear = command(u"ActClear"_s, &TSetupBlankFrm::ActClearExecute);
    ActClear->setText(u"清除列表"_s);

    auto caption = [this](const QString &name, const QString &text, int left, int top) {
        auto *label = new QLabel(text, this);
        label->setObjectName(name);
        label->move(left, top);
        label->adjustSize();
        return label;
    };
    Label7 = caption(u"Label7"_s, u"设定白名单:"_s, 16, 3);
    Button1 = button(u"Button1"_s, u"增加"_s, {184, 0, 75, 25}, ActADD);
    Button2 = button(u"Button2"_s, u"删除"_s, {264, 0, 75, 25}, ActDEL);
    DBEdit1 = boundEdit(u"DBEdit1"_s, {16, 32, 81, 21}, ADOQuery1, u"sNo"_s, 50);
    DBEdit2 = boundEdit(u"DBEdit2"_s, {96, 32, 73, 21}, ADOQuery1, u"sName"_s, 50);
    DBEdit5 = boundEdit(u"DBEdit5"_s, {176, 32, 73, 21}, ADOQuery1, u"sCompCode"_s, 100);

    dxDBLookupEdit1 = new QComboBox(this);
    dxDBLookupEdit1->setObjectName(u"dxDBLookupEdit1"_s);
    dxDBLookupEdit1->setGeometry(256, 32, 89, 21);
    dxDBLookupEdit1->installEventFilter(this);
    connect(dxDBLookupEdit1, &QComboBox::activated, this, &TSetupBlankFrm::chooseItem);

    dxDBGrid1 = grid(u"dxDBGrid1"_s, {16, 56, 329, 205}, ADOQuery1, {30, 85, 78, 69, 78, 48});
    connect(&ADOQuery1, &DesignationList::warning, this,
            [this](const QString &text) { m_dialogs.notify(this, text, u"系统提示"_s, Dialogs::Icon::Warning); });
    dxDBGrid1->setItemDelegateForColumn(ADOQuery1.columnOf(u"sItemName"_s), new ItemCellDelegate(items, dxDBGrid1));
    // The box follows the row that becomes current and the item chosen in its
    // cell, not the row's other edits: an item chosen in the box for the next
    // row stays chosen while the current row is posted.
    connect(&ADOQuery1, &PostedList::currentChanged, this, &TSetupBlankFrm::showRowItem);
    connect(&ADOQuery1, &PostedList::cellEdited, this, [this](const QString &field) {
        if (field == u"sTime"_s)
            showRowItem();
    });

    Label10 = caption(u"Label10"_s, u"设定黑名单:"_s, 384, 9);
    Button3 = button(u"Button3"_s, u"增加"_s, {512, 3, 75, 25}, actAdd2);
    Button4 = button(u"Button4"_s, u"删除"_s, {592, 3, 75, 25}, ActDEL2);
    DBEdit3 = boundEdit(u"DBEdit3"_s, {384, 32, 97, 21}, ADOQuery2, u"sNo"_s, 50);
    DBEdit4 = boundEdit(u"DBEdit4"_s, {480, 32, 105, 21}, ADOQuery2, u"sName"_s, 50);
    DBEdit6 = boundEdit(u"DBEdit6"_s, {592, 32, 73, 21}, ADOQuery2, u"sCompCode"_s, 100);
    dxDBGrid2 = grid(u"dxDBGrid2"_s, {384, 56, 281, 205}, ADOQuery2, {22, 91, 84, 103});

    BitBtn1 = button(u"BitBtn1"_s, u"确认"_s, {360, 273, 75, 25}, nullptr);
    connect(BitBtn1, &QPushButton::clicked, this, &TSetupBlankFrm::accept);
    BitBtn2 = button(u"BitBtn2"_s, u"取消"_s, {440, 273, 75, 25}, nullptr);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(u"PopupMenu1"_s);
    PopupMenu1->addAction(ActClear);
    for (QTableView *view : {dxDBGrid1, dxDBGrid2}) {
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint &pos) { PopupMenu1->popup(view->viewport()->mapToGlobal(pos)); });
    }
}

QPushButton *TSetupBlankFrm::button(const QString &name, const QString &text, QRect place, QAction *command)
{
    auto *b = new QPushButton(text, this);
    b->setObjectName(name);
    b->setGeometry(place);
    // Enter belongs to the code edits here; no button may take it as default.
    b->setAutoDefault(false);
    if (command)
        connect(b, &QPushButton::clicked, command, &QAction::trigger);
    return b;
}

QLineEdit *TSetupBlankFrm::boundEdit(const QString &name, QRect place, PostedList &list, const QString &field,
                                     int maxLength)
{
    auto *edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setGeometry(place);
    edit->setMaxLength(maxLength);
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textEdited, this,
            [this, &list, field](const QString &text) { guarded([&] { list.setField(field, text); }); });
    connect(&list, &PostedList::currentEdited, edit, [edit, &list, field] {
        const QString text = list.field(field).toString();
        if (edit->text() != text)
            edit->setText(text);
    });
    return edit;
}

QTableView *TSetupBlankFrm::grid(const QString &name, QRect place, PostedList &list, std::vector<int> widths)
{
    auto *view = new QTableView(this);
    view->setObjectName(name);
    view->setGeometry(place);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                          | QAbstractItemView::AnyKeyPressed);
    auto *posted = new PostedGrid(*view, list, m_dialogs);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(18);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->setColumnHidden(list.columnOf(u"RecNo"_s), true);
    posted->setColumnWidths(std::move(widths));
    return view;
}

void TSetupBlankFrm::FormShow()
{
    items.open(m_db);
    {
        const QSignalBlocker blocker(dxDBLookupEdit1);
        dxDBLookupEdit1->clear();
        for (const PrizeItem &item : items.items())
            dxDBLookupEdit1->addItem(item.ItemName, item.RecNo);
    }
    ADOQuery1.open();
    ADOQuery2.open();
}

void TSetupBlankFrm::lookUp(QLineEdit *edit, PostedList &list, std::optional<int> item)
{
    if (lookUpCode(list, m_db, edit->text(), item) == LookupOutcome::EmptyCode)
        m_dialogs.notify(this, u"号码不能为空,请输入号码!"_s, u"系统提示"_s, Dialogs::Icon::None);
}

void TSetupBlankFrm::DBEdit1KeyPress()
{
    // Only a row being added takes the box's item; an existing row keeps its
    // own, which the grid's "奖项" cell changes.
    const std::optional<int> item = addingDesignation() ? std::optional<int>(items.current()) : std::nullopt;
    guarded([&] { lookUp(DBEdit1, ADOQuery1, item); });
}

bool TSetupBlankFrm::addingDesignation() const
{
    return ADOQuery1.isEmpty() || ADOQuery1.state() == PostedList::State::Insert;
}

void TSetupBlankFrm::DBEdit3KeyPress()
{
    guarded([this] { lookUp(DBEdit3, ADOQuery2, std::nullopt); });
}

void TSetupBlankFrm::addThroughPicker(PostedList &list, std::optional<int> item)
{
    TSelectEmpDlgFrm picker(ADOQuery3, m_db, this);
    if (m_dialogs.runModal(picker) != QDialog::Accepted)
        return;
    // An empty roster offers nobody; a row without a person would be no use.
    const int row = picker.chosenRow();
    if (row >= 0)
        appendPerson(list, ADOQuery3.employee(row), item);
}

void TSetupBlankFrm::ActADDExecute()
{
    guarded([this] { addThroughPicker(ADOQuery1, items.current()); });
}

void TSetupBlankFrm::actAdd2Execute()
{
    guarded([this] { addThroughPicker(ADOQuery2, std::nullopt); });
}

void TSetupBlankFrm::ActDELExecute()
{
    guarded([this] { ADOQuery1.deleteCurrent(); });
}

void TSetupBlankFrm::ActDEL2Execute()
{
    guarded([this] { ADOQuery2.deleteCurrent(); });
}

void TSetupBlankFrm::ActClearExecute()
{
    // The list whose grid holds the focus; from an edit nothing is cleared.
    QWidget *focus = focusWidget();
    if (focus == dxDBGrid1)
        guarded([this] { ADOQuery1.clear(); });
    else if (focus == dxDBGrid2)
        guarded([this] { ADOQuery2.clear(); });
}

void TSetupBlankFrm::dxDBLookupEdit1Exit()
{
    // A new row that only has the item chosen for it stays open for its code:
    // written now, it would be a designation of nobody.
    guarded([this] {
        for (PostedList *list : {static_cast<PostedList *>(&ADOQuery1), static_cast<PostedList *>(&ADOQuery2)}) {
            if (list->isModified())
                list->post();
        }
    });
}

void TSetupBlankFrm::showRowItem()
{
    // An empty list shows the item its first row will get.
    const int recNo = ADOQuery1.isEmpty() ? items.current() : ADOQuery1.field(u"sTime"_s).toInt();
    const int index = items.indexOf(recNo);
    const QSignalBlocker blocker(dxDBLookupEdit1);
    dxDBLookupEdit1->setCurrentIndex(index);
    if (index >= 0)
        items.follow(dxDBLookupEdit1->itemData(index).toInt());
}

void TSetupBlankFrm::chooseItem(int index)
{
    if (index < 0)
        return;
    const int recNo = dxDBLookupEdit1->itemData(index).toInt();
    items.follow(recNo);
    // The box edits only the row being added; with an existing row selected
    // the choice is for the next row added.
    if (ADOQuery1.state() == PostedList::State::Insert)
        guarded([&] { ADOQuery1.setDefault(u"sTime"_s, recNo); });
}

bool TSetupBlankFrm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && (watched == DBEdit1 || watched == DBEdit3)
        && isEnter(static_cast<QKeyEvent *>(event))) {
        if (watched == DBEdit1)
            DBEdit1KeyPress();
        else
            DBEdit3KeyPress();
        return true;
    }
    // Opening its own list takes the focus from the box without leaving it,
    // and so does the screen closing or another window coming to the front.
    if (event->type() == QEvent::FocusOut && watched == dxDBLookupEdit1) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            dxDBLookupEdit1Exit();
    }
    return QDialog::eventFilter(watched, event);
}

void TSetupBlankFrm::guarded(const std::function<void()> &step) { runReported(m_dialogs, this, step); }

void TSetupBlankFrm::accept()
{
    // The row being edited is posted first: a factory typed after the code
    // lookup would otherwise be lost, and the row would name nobody.
    bool posted = false;
    guarded([&] {
        ADOQuery1.checkBrowseMode();
        ADOQuery2.checkBrowseMode();
        posted = true;
    });
    if (posted)
        QDialog::accept();
}
