#pragma once
#include <QAbstractTableModel>
#include <QStringList>
#include <QVariantList>
#include <vector>

// A table's rows as an edited list: one current row, which is changed in
// place and written to its table only when it is posted. Moving to another
// row, appending or deleting posts the pending change first (an appended row
// that was never filled in is dropped instead). A change never posted is
// dropped with the list. Writes throw DbError and leave the row pending.
class PostedList : public QAbstractTableModel {
    Q_OBJECT
public:
    enum class State { Browse, Edit, Insert };
    struct Column {
        QString field; // shown field (a looked-up one is computed by lookUp)
        QString title;
        QString stores = {}; // field an edit of the cell writes; empty: field itself
    };

    PostedList(QStringList fields, std::vector<Column> columns, QObject *parent = nullptr);

    // Reads the rows afresh; the first becomes current.
    void open();

    int current() const { return m_current; }
    State state() const { return m_state; }
    bool isEditing() const { return m_state != State::Browse; }
    bool isEmpty() const { return m_rows.empty(); }
    // True while rows are being added or removed; views' own moves of their
    // current row are then no request to move.
    bool isReshaping() const { return m_reshaping > 0; }

    QVariant field(const QString &name) const;            // of the current row
    QVariant value(int row, const QString &name) const;
    // Puts the current row into edit (an empty list gets a new row) and sets the field.
    void setField(const QString &name, const QVariant &value);

    void edit();
    void append();
    void post();
    void cancel();
    // Posts a modified row, drops an untouched new one.
    void checkBrowseMode();
    // Makes another row current, posting the pending change first.
    void setCurrent(int row);
    // Deletes the current row at once; a row being added is just dropped.
    void deleteCurrent();
    // Deletes every row from the first on.
    void clear();

    int columnOf(const QString &field) const;
    const std::vector<Column> &columns() const { return m_columns; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

Q_SIGNALS:
    void currentChanged(int row);
    // A field of the current row changed (by an edit, a post or a cancel).
    void currentEdited();

protected:
    using Row = QVariantList;
    int fieldIndex(const QString &name) const { return static_cast<int>(m_fields.indexOf(name)); }

    virtual std::vector<Row> load() = 0;
    virtual int insertRecord(const Row &row) = 0; // returns the new RecNo
    virtual void updateRecord(const Row &row) = 0;
    virtual void deleteRecord(const Row &row) = 0;
    virtual void newRecord(Row &) {}
    virtual QVariant lookUp(const QString &field, const Row &row) const;

private:
    void moveTo(int row);
    void rowChanged(int row);

    QStringList m_fields;
    std::vector<Column> m_columns;
    std::vector<Row> m_rows;
    Row m_original; // the current row before its edit began
    int m_current = -1;
    State m_state = State::Browse;
    bool m_modified = false;
    int m_reshaping = 0;
};
