#include "ui/admin/setcurritemfrm.h"

#include "ui/common/screenfonts.h"
#include "ui/common/stage.h"
#include "store/scopestore.h"
#include "store/setupstore.h"

#include <algorithm>
#include <iterator>

#include <QHeaderView>
#include <QKeyEvent>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
constexpr int kRowHeight = 52;

bool isEnter(const QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent *>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}
} // namespace

TSetCurrItemFrm::TSetCurrItemFrm(Database &db, QWidget *parent) : QDialog(parent), m_db(db)
{
    setObjectName(u"SetCurrItemFrm"_s);
    setWindowTitle(u"选择奖项"_s);
    setFixedSize(613, 440);
    // At its design place on the stage of the operator's screen.
    Stage::declare(this, Stage::Role::Placed, {173, 122});

    m_model = new QStandardItemModel(0, 3, this);
    m_model->setHorizontalHeaderLabels({u"奖项"_s, u"奖品"_s, u"中奖人数"_s});
    for (int c = 0; c < 2; ++c)
        m_model->horizontalHeaderItem(c)->setTextAlignment(Qt::AlignCenter);

    dxDBGrid1 = new QTableView(this);
    dxDBGrid1->setObjectName(u"dxDBGrid1"_s);
    dxDBGrid1->setModel(m_model);
    dxDBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    dxDBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    dxDBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dxDBGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    dxDBGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    dxDBGrid1->setFont(yaHeiFont(27, true));
    dxDBGrid1->horizontalHeader()->setFont(yaHeiFont(27, true));
    dxDBGrid1->horizontalHeader()->setSectionsMovable(true);
    dxDBGrid1->setColumnWidth(0, 184);
    dxDBGrid1->setColumnWidth(1, 184);
    // All three columns share the list's width, as designed.
    dxDBGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    dxDBGrid1->horizontalHeader()->setFixedHeight(kRowHeight);
    dxDBGrid1->verticalHeader()->setDefaultSectionSize(kRowHeight);
    dxDBGrid1->verticalHeader()->setMinimumSectionSize(12);
    // The row indicator shows a mark on the selected row, not row numbers.
    QFont indicatorFont = dxDBGrid1->verticalHeader()->font();
    indicatorFont.setPixelSize(12);
    dxDBGrid1->verticalHeader()->setFont(indicatorFont);
    dxDBGrid1->verticalHeader()->setFixedWidth(24);
    dxDBGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);

    // Cells and headers in red with the window colour as text; grid lines in
    // the caption-text colour.
    const QString text = palette().color(QPalette::Window).name();
    const QString lines = palette().color(QPalette::HighlightedText).name();
    dxDBGrid1->setStyleSheet(
        u"QTableView { background-color: #ff0000; color: %1; gridline-color: %2; "
        "selection-background-color: #800000; selection-color: %1; }"
        "QHeaderView { background-color: #ff0000; }"
        "QHeaderView::section { background-color: #ff0000; color: %1; border: 1px solid %2; }"
        "QTableCornerButton::section { background-color: #ff0000; border: 1px solid %2; }"_s.arg(text, lines));
    dxDBGrid1->installEventFilter(this);
    connect(dxDBGrid1, &QTableView::doubleClicked, this, [this] { accept(); });
    connect(dxDBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { markRow(current.row()); });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(dxDBGrid1);
}

void TSetCurrItemFrm::open()
{
    items = openPrizeItems(m_db);
    const std::vector<ScopeRow> scopes = ScopeStore::allScopes(m_db);
    m_model->removeRows(0, m_model->rowCount());
    for (const PrizeItem &item : items) {
        // A scoped item says for whom in a few characters.
        std::vector<ScopeRow> scope;
        std::copy_if(scopes.begin(), scopes.end(), std::back_inserter(scope),
                     [&item](const ScopeRow &r) { return r.sTime == item.RecNo; });
        const QString name =
            scope.empty() ? item.ItemName : item.ItemName + u"【"_s + ScopeStore::summary(scope, 6) + u"】"_s;
        QList<QStandardItem *> row{new QStandardItem(name), new QStandardItem(item.Awards),
                                   new QStandardItem(QString::number(item.SumNumber))};
        for (int c = 0; c < 2; ++c)
            row[c]->setTextAlignment(Qt::AlignCenter);
        for (QStandardItem *cell : row)
            cell->setEditable(false);
        m_model->appendRow(row);
        m_model->setVerticalHeaderItem(m_model->rowCount() - 1, new QStandardItem(QString()));
    }
    if (!items.empty())
        dxDBGrid1->setCurrentIndex(m_model->index(0, 0));
    dxDBGrid1->setFocus();
}

void TSetCurrItemFrm::markRow(int row)
{
    for (int r = 0; r < m_model->rowCount(); ++r) {
        QStandardItem *indicator = m_model->verticalHeaderItem(r);
        if (indicator)
            indicator->setText(r == row ? u"▶"_s : QString());
    }
}

int TSetCurrItemFrm::selectedRecNo() const
{
    const int row = dxDBGrid1->currentIndex().row();
    if (row < 0 || row >= rowCount())
        return items.empty() ? 0 : items.front().RecNo;
    return items[static_cast<size_t>(row)].RecNo;
}

bool TSetCurrItemFrm::eventFilter(QObject *watched, QEvent *event)
{
    // The screen sees Enter before the list does.
    if (watched == dxDBGrid1 && isEnter(event)) {
        accept();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TSetCurrItemFrm::keyPressEvent(QKeyEvent *event)
{
    if (isEnter(event)) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
