#include "ui/admin/postingtablemodel.h"

#include "store/database.h"

#include <QSqlError>

PostingTableModel::PostingTableModel(QObject *parent, const QSqlDatabase &db) : QSqlTableModel(parent, db)
{
    setEditStrategy(QSqlTableModel::OnRowChange);
}

bool PostingTableModel::submit()
{
    if (QSqlTableModel::submit())
        return true;
    const QString text = engineErrorText(lastError());
    revertAll();
    if (onPostError)
        onPostError(text);
    return false;
}

bool PostingTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!QSqlTableModel::setData(index, value, role))
        return false;
    if (role == Qt::EditRole && !m_quiet && onFieldChange)
        onFieldChange(index);
    return true;
}

bool PostingTableModel::storeQuietly(const QModelIndex &index, const QVariant &value)
{
    m_quiet = true;
    const bool ok = setData(index, value, Qt::EditRole);
    m_quiet = false;
    return ok;
}

void PostingTableModel::fetchAll()
{
    while (canFetchMore())
        fetchMore();
}
