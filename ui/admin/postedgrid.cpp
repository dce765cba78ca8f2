#include "ui/admin/postedgrid.h"

#include "admin/postedlist.h"
#include "base/dialogs.h"
#include "ui/admin/columnfit.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QTableView>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

bool isEnterKey(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

} // namespace

PostedFieldDelegate::PostedFieldDelegate(const PostedList &list, QObject *parent)
    : QStyledItemDelegate(parent), m_list(list)
{}

QWidget *PostedFieldDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                           const QModelIndex &index) const
{
    auto *edit = new QLineEdit(parent);
    edit->setFrame(false);
    const PostedList::Column &column = m_list.columns()[static_cast<size_t>(index.column())];
    if (column.maxLength > 0)
        edit->setMaxLength(column.maxLength);
    if (column.integer) {
        // Ten digits at most: the range itself is checked when the row is posted.
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(u"-?\\d{0,10}"_s), edit));
    }
    return edit;
}

void PostedFieldDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    static_cast<QLineEdit *>(editor)->setText(index.data(Qt::EditRole).toString());
}

void PostedFieldDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    const QString text = static_cast<QLineEdit *>(editor)->text();
    if (text == index.data(Qt::EditRole).toString())
        return; // unchanged: a row is not put into edit by merely visiting a cell
    model->setData(index, text);
}

bool PostedFieldDelegate::takeEnter() { return std::exchange(m_enter, false); }

bool PostedFieldDelegate::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && isEnterKey(static_cast<QKeyEvent *>(event)->key()))
        m_enter = true;
    return QStyledItemDelegate::eventFilter(watched, event);
}

PostedGrid::PostedGrid(QTableView &view, PostedList &list, Dialogs &dialogs)
    : QObject(&view), m_view(view), m_list(list), m_dialogs(dialogs)
{
    m_view.setModel(&m_list);
    m_delegate = new PostedFieldDelegate(m_list, &m_view);
    m_view.setItemDelegate(m_delegate);
    // Enter in a cell editor posts the row once the value is in the list.
    connect(m_delegate, &QAbstractItemDelegate::closeEditor, this, [this] {
        if (m_delegate->takeEnter())
            run([this] { m_list.post(); });
    });

    // The grid's current row and the list's current row move together; moving
    // away from a changed row posts it first, and a refused post keeps the
    // grid on the row.
    connect(m_view.selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex &current) {
        if (m_list.isReshaping() || !current.isValid() || current.row() == m_list.current())
            return;
        run([&] { m_list.setCurrent(current.row()); });
        if (m_list.current() != current.row() && m_list.current() >= 0)
            m_view.setCurrentIndex(m_list.index(m_list.current(), current.column()));
    });
    connect(&m_list, &PostedList::currentChanged, this, &PostedGrid::showCurrent);
    m_view.installEventFilter(this);
}

void PostedGrid::showCurrent(int row)
{
    if (row < 0 || m_view.currentIndex().row() == row)
        return;
    const int column = m_view.currentIndex().isValid() ? m_view.currentIndex().column() : firstShownColumn();
    m_view.setCurrentIndex(m_list.index(row, column));
}

int PostedGrid::firstShownColumn() const
{
    const QHeaderView *header = m_view.horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (!header->isSectionHidden(logical))
            return logical;
    }
    return 0;
}

void PostedGrid::run(const std::function<void()> &step) { runReported(m_dialogs, &m_view, step); }

void PostedGrid::setColumnWidths(std::vector<int> widths)
{
    delete m_fit;
    m_fit = new ColumnFit(m_view, std::move(widths));
}

void PostedGrid::fitColumns()
{
    if (m_fit)
        m_fit->fit();
}

bool PostedGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && watched == &m_view) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (handleKey(key->key(), key->modifiers() & ~Qt::KeypadModifier))
            return true;
    }
    return QObject::eventFilter(watched, event);
}

bool PostedGrid::handleKey(int key, Qt::KeyboardModifiers modifiers)
{
    if (modifiers == Qt::ControlModifier && key == Qt::Key_Delete) {
        Q_EMIT deleteRequested();
        return true;
    }
    if (modifiers != Qt::NoModifier)
        return false;
    const int rows = m_list.rowCount();
    const int row = m_view.currentIndex().isValid() ? m_view.currentIndex().row() : -1;
    if (isEnterKey(key)) {
        // Enter posts the row rather than closing the screen; Enter in a cell
        // editor reaches here first and posts once its value is in the list.
        if (!m_delegate->enterPending())
            run([this] { m_list.post(); });
        return true;
    }
    if (key == Qt::Key_Insert) {
        run([&] { m_list.insert(row >= 0 ? row : rows); });
        return true;
    }
    if (key == Qt::Key_Down && (rows == 0 || (row == rows - 1 && !m_list.canFetchMore({})))) {
        run([this] { m_list.append(); });
        return true;
    }
    if (key == Qt::Key_Escape && m_list.isEditing()) {
        run([this] { m_list.cancel(); });
        return true;
    }
    return false;
}
