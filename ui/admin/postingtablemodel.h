#pragma once
#include <QSqlTableModel>
#include <functional>

// A table grid's model that writes a row when it is posted (the current row
// changes or Enter ends an edit). A post the database refuses is reported and
// the row's unposted change is dropped, so the grid never stays stuck on it.
class PostingTableModel : public QSqlTableModel {
    Q_OBJECT
public:
    PostingTableModel(QObject *parent, const QSqlDatabase &db);

    // Reports a refused post; set by the screen.
    std::function<void(const QString &)> onPostError;
    // Runs after a value typed into a cell was stored (not for rows being primed).
    std::function<void(const QModelIndex &)> onFieldChange;

    bool submit() override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    // Stores a value without running onFieldChange.
    bool storeQuietly(const QModelIndex &index, const QVariant &value);
    // Fetches every row the query holds.
    void fetchAll();

private:
    bool m_quiet = false;
};
