#include "ui/admin/postedgrid.h"

#include "admin/postedlist.h"
#include "base/dialogs.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QTableView>
#include <algorithm>
#include <numeric>

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
    m_view.viewport()->installEventFilter(this);
    // The row indicator and the scroll bars take their width only once the
    // grid lays itself out.
    connect(m_view.verticalHeader(), &QHeaderView::geometriesChanged, this, &PostedGrid::fitColumns);
    connect(m_view.horizontalHeader(), &QHeaderView::geometriesChanged, this, &PostedGrid::fitColumns);
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

void PostedGrid::run(const std::function<void()> &step) { runReported(m_dialogs, step); }

void PostedGrid::setColumnWidths(std::vector<int> widths)
{
    m_widths = std::move(widths);
    for (size_t c = 0; c < m_widths.size(); ++c)
        m_view.setColumnWidth(static_cast<int>(c), m_widths[c]);
    fitColumns();
}

void PostedGrid::fitColumns()
{
    if (m_fitting || m_widths.empty())
        return;
    m_fitting = true;
    QHeaderView *header = m_view.horizontalHeader();
    std::vector<int> shown;
    std::vector<int> want;
    std::vector<int> least;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int c = header->logicalIndex(visual);
        if (header->isSectionHidden(c))
            continue;
        const int designed =
            c < static_cast<int>(m_widths.size()) ? m_widths[static_cast<size_t>(c)] : header->defaultSectionSize();
        const int caption = header->sectionSizeHint(c);
        shown.push_back(c);
        least.push_back(caption);
        want.push_back(std::max({designed, caption, static_cast<QAbstractItemView &>(m_view).sizeHintForColumn(c)}));
    }
    const int available = m_view.viewport()->width();
    const int wanted = std::accumulate(want.begin(), want.end(), 0);
    std::vector<int> widths = want;
    if (wanted > available) {
        // Narrower where there is room to spare, never below the caption.
        const int excess = wanted - available;
        int slack = 0;
        for (size_t i = 0; i < want.size(); ++i)
            slack += std::max(0, want[i] - least[i]);
        for (size_t i = 0; i < want.size() && slack > 0; ++i) {
            const int room = std::max(0, want[i] - least[i]);
            widths[i] = want[i] - std::min(room, (excess * room + slack - 1) / slack);
        }
    } else if (!widths.empty()) {
        widths.back() += available - wanted;
    }
    for (size_t i = 0; i < shown.size(); ++i)
        header->resizeSection(shown[i], widths[i]);
    m_fitting = false;
    // New widths can bring a scroll bar or the row indicator in and take
    // width from the columns; fit once more to what is left.
    if (m_view.viewport()->width() != available && m_refits < 2) {
        ++m_refits;
        fitColumns();
    }
    m_refits = 0;
}

bool PostedGrid::eventFilter(QObject *watched, QEvent *event)
{
    // The event's type first: while the grid is being destroyed it still
    // sends events here, and its viewport() must not be asked then.
    if (event->type() == QEvent::Resize && watched == m_view.viewport())
        fitColumns();
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
