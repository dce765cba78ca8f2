#include "admin/postedlist.h"

#include "store/dberror.h"

#include <QRegularExpression>
#include <algorithm>
#include <limits>

namespace {

// Counts a reshaping of the rows for as long as it lives.
class Reshaping {
public:
    explicit Reshaping(int &counter) : m_counter(++counter) {}
    ~Reshaping() { --m_counter; }
    Reshaping(const Reshaping &) = delete;
    Reshaping &operator=(const Reshaping &) = delete;

private:
    int &m_counter;
};

} // namespace

using namespace Qt::StringLiterals;

PostedList::PostedList(QStringList fields, std::vector<Column> columns, QObject *parent)
    : QAbstractTableModel(parent), m_fields(std::move(fields)), m_columns(std::move(columns))
{}

void PostedList::open()
{
    const int page = pageSize();
    std::vector<Row> rows = page > 0 ? loadAfter(0, page) : load();
    Reshaping reshaping(m_reshaping);
    beginResetModel();
    m_rows = std::move(rows);
    m_more = false; // views may fetch as soon as the reset ends, not within it
    m_lastRead = m_rows.empty() ? 0 : m_rows.back()[fieldIndex(u"RecNo"_s)].toInt();
    m_written.clear();
    m_current = m_rows.empty() ? -1 : 0;
    m_state = State::Browse;
    m_modified = false;
    endResetModel();
    m_more = page > 0 && static_cast<int>(m_rows.size()) == page;
    moveTo(m_current);
}

bool PostedList::canFetchMore(const QModelIndex &parent) const { return !parent.isValid() && m_more; }

void PostedList::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid() || !m_more)
        return;
    const int page = pageSize();
    std::vector<Row> rows;
    try {
        rows = loadAfter(m_lastRead, page);
    } catch (const DbError &) {
        // A view asks while scrolling and cannot take an error; the next
        // scroll asks again.
        return;
    }
    m_more = static_cast<int>(rows.size()) == page;
    if (!rows.empty())
        m_lastRead = rows.back()[fieldIndex(u"RecNo"_s)].toInt();
    addPage(std::move(rows));
}

void PostedList::addPage(std::vector<Row> rows)
{
    const int recNo = fieldIndex(u"RecNo"_s);
    std::erase_if(rows, [&](const Row &row) { return m_written.count(row[recNo].toInt()) > 0; });
    if (rows.empty())
        return;
    const int at = static_cast<int>(m_rows.size());
    Reshaping reshaping(m_reshaping);
    beginInsertRows({}, at, at + static_cast<int>(rows.size()) - 1);
    for (Row &row : rows)
        m_rows.push_back(std::move(row));
    endInsertRows();
}

QVariant PostedList::field(const QString &name) const { return value(m_current, name); }

QVariant PostedList::value(int row, const QString &name) const
{
    const int f = fieldIndex(name);
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || f < 0)
        return {};
    return m_rows[static_cast<size_t>(row)][f];
}

void PostedList::setField(const QString &name, const QVariant &value)
{
    const int f = fieldIndex(name);
    if (f < 0)
        return;
    edit();
    m_rows[static_cast<size_t>(m_current)][f] = value;
    m_modified = true;
    rowChanged(m_current);
    Q_EMIT currentEdited();
}

void PostedList::setDefault(const QString &name, const QVariant &value)
{
    const int f = fieldIndex(name);
    if (f < 0)
        return;
    if (m_state != State::Insert || m_modified) {
        setField(name, value);
        return;
    }
    m_rows[static_cast<size_t>(m_current)][f] = value;
    rowChanged(m_current);
    Q_EMIT currentEdited();
}

void PostedList::edit()
{
    if (m_state != State::Browse)
        return;
    if (m_rows.empty()) {
        append();
        return;
    }
    m_original = m_rows[static_cast<size_t>(m_current)];
    m_state = State::Edit;
    m_modified = false;
}

void PostedList::append()
{
    checkBrowseMode();
    addRow(static_cast<int>(m_rows.size()));
}

void PostedList::insert(int row)
{
    // Dropping an untouched new row before the place shifts the place up.
    if (m_state == State::Insert && !m_modified && m_current < row)
        --row;
    checkBrowseMode();
    addRow(std::clamp(row, 0, static_cast<int>(m_rows.size())));
}

void PostedList::addRow(int at)
{
    Row row(m_fields.size());
    newRecord(row, static_cast<int>(m_rows.size()));
    Reshaping reshaping(m_reshaping);
    beginInsertRows({}, at, at);
    m_rows.insert(m_rows.begin() + at, std::move(row));
    endInsertRows();
    m_state = State::Insert;
    m_modified = false;
    moveTo(at);
}

void PostedList::post()
{
    if (m_state == State::Browse)
        return;
    Row &row = m_rows[static_cast<size_t>(m_current)];
    if (m_state == State::Insert || m_modified) {
        checkFields(row);
        checkRow(row);
    }
    try {
        if (m_state == State::Insert) {
            const int recNo = insertRecord(row);
            row[fieldIndex(u"RecNo"_s)] = recNo;
            m_written.insert(recNo);
        } else if (m_modified) {
            updateRecord(row);
        }
    } catch (const DbError &e) {
        refused(e.text());
    }
    m_state = State::Browse;
    m_modified = false;
    rowChanged(m_current);
    Q_EMIT currentEdited();
}

void PostedList::cancel()
{
    if (m_state == State::Browse)
        return;
    const int at = m_current;
    if (m_state == State::Insert) {
        Reshaping reshaping(m_reshaping);
        beginRemoveRows({}, at, at);
        m_rows.erase(m_rows.begin() + at);
        endRemoveRows();
        m_state = State::Browse;
        m_modified = false;
        moveTo(std::min(at, static_cast<int>(m_rows.size()) - 1));
        return;
    }
    m_rows[static_cast<size_t>(at)] = m_original;
    m_state = State::Browse;
    m_modified = false;
    rowChanged(at);
    Q_EMIT currentEdited();
}

void PostedList::checkBrowseMode()
{
    if (m_state == State::Browse)
        return;
    if (m_modified)
        post();
    else
        cancel();
}

void PostedList::setCurrent(int row)
{
    if (row == m_current || row < 0 || row >= static_cast<int>(m_rows.size()))
        return;
    // Dropping an untouched new row before the target shifts the target up.
    if (m_state == State::Insert && !m_modified && m_current < row)
        --row;
    checkBrowseMode();
    moveTo(row);
}

void PostedList::deleteCurrent()
{
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    cancel();
    if (m_rows.empty())
        return;
    const int at = m_current;
    deleteRecord(m_rows[static_cast<size_t>(at)]);
    Reshaping reshaping(m_reshaping);
    beginRemoveRows({}, at, at);
    m_rows.erase(m_rows.begin() + at);
    endRemoveRows();
    moveTo(std::min(at, static_cast<int>(m_rows.size()) - 1));
}

void PostedList::clear()
{
    checkBrowseMode();
    while (!m_rows.empty()) {
        moveTo(0);
        deleteCurrent();
    }
}

int PostedList::columnOf(const QString &field) const
{
    for (size_t i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].field == field)
            return static_cast<int>(i);
    }
    return -1;
}

void PostedList::moveTo(int row)
{
    m_current = row;
    Q_EMIT currentChanged(row);
    Q_EMIT currentEdited();
}

void PostedList::rowChanged(int row)
{
    if (row >= 0)
        Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void PostedList::checkFields(const Row &row) const
{
    for (const Column &column : m_columns) {
        const int f = fieldIndex(column.stores.isEmpty() ? column.field : column.stores);
        if (f < 0 || row[f].isNull())
            continue;
        const QVariant &value = row[f];
        if (column.maxLength > 0 && value.toString().size() > column.maxLength) {
            throw DbError(
                u"“%1”最多只能填%2个字符（现在是%3个），本行没有保存。请改短后再离开本行，或按 Esc 取消本行的修改。"_s
                    .arg(column.title)
                    .arg(column.maxLength)
                    .arg(value.toString().size()));
        }
        if (column.integer) {
            bool ok = false;
            const qlonglong n = value.toLongLong(&ok);
            if (!ok || n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
                throw DbError(
                    u"“%1”只能填整数，本行没有保存。请改正后再离开本行，或按 Esc 取消本行的修改。"_s.arg(column.title));
        }
    }
}

void PostedList::refused(const QString &reason) const
{
    QString why = reason.trimmed();
    while (why.endsWith(u'.') || why.endsWith(u'。'))
        why.chop(1);
    // The engine names the field in a refused check; the operator knows it by its caption.
    for (const Column &column : m_columns) {
        const QString stored = column.stores.isEmpty() ? column.field : column.stores;
        const QRegularExpression word(u"\\b"_s + QRegularExpression::escape(stored) + u"\\b"_s);
        if (fieldIndex(stored) >= 0 && !column.title.isEmpty() && stored != u"RecNo"_s && word.match(why).hasMatch()) {
            throw DbError(
                u"数据库拒绝保存“%1”的值（%2），本行没有保存，本行的修改仍在。请改正后再离开本行，或按 Esc 取消本行的修改。"_s
                    .arg(column.title, why));
        }
    }
    throw DbError(u"本行没有保存：%1。本行的修改仍在，请稍后再试，或按 Esc 取消本行的修改。"_s.arg(why));
}

QVariant PostedList::lookUp(const QString &, const Row &) const { return {}; }

void PostedList::refreshLookUps()
{
    if (!m_rows.empty())
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

int PostedList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int PostedList::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant PostedList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const Column &column = m_columns[static_cast<size_t>(index.column())];
    const Row &row = m_rows[static_cast<size_t>(index.row())];
    if (role == Qt::EditRole && !column.stores.isEmpty())
        return row[fieldIndex(column.stores)];
    const int f = fieldIndex(column.field);
    return f >= 0 ? row[f] : lookUp(column.field, row);
}

bool PostedList::setData(const QModelIndex &index, const QVariant &value, int role)
{
    // Called by views, which cannot take an error: moving to another row (and
    // so posting) happens before, when the view's current row changes.
    if (!index.isValid() || role != Qt::EditRole || index.row() != m_current)
        return false;
    const Column &column = m_columns[static_cast<size_t>(index.column())];
    const QString target = column.stores.isEmpty() ? column.field : column.stores;
    QVariant stored = value;
    // An emptied cell leaves its field NULL; a whole number is kept as one.
    if (stored.typeId() == QMetaType::QString && column.integer) {
        const QString text = stored.toString().trimmed();
        bool ok = false;
        const int n = text.toInt(&ok);
        stored = text.isEmpty() ? QVariant() : ok ? QVariant(n) : QVariant(text);
    }
    // The same value again changes nothing, but a rule on the field still runs.
    if (data(index, Qt::EditRole) != stored)
        setField(target, stored);
    Q_EMIT cellEdited(target);
    return true;
}

QVariant PostedList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return {};
    return m_columns[static_cast<size_t>(section)].title;
}

Qt::ItemFlags PostedList::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const Column &column = m_columns[static_cast<size_t>(index.column())];
    // A looked-up column that stores nothing is shown, not edited in place.
    if (column.field != u"RecNo"_s && fieldIndex(column.stores.isEmpty() ? column.field : column.stores) >= 0)
        f |= Qt::ItemIsEditable;
    return f;
}
