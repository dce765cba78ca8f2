#pragma once
#include <QAbstractTableModel>
#include <QStringList>
#include <QVariantList>
#include <set>
#include <vector>

// A table's rows as an edited list, the one editing mechanism of every grid
// of the administration screens: one current row, which is changed in place
// and written to its table only when it is posted. Moving to another row,
// inserting, appending or deleting posts the pending change first; a new row
// that was never changed is dropped instead. A change never posted is dropped
// with the list. A refused write throws DbError naming the field and leaves
// the row pending with every value the operator gave it, so the operator can
// correct it or take it back with cancel().
class PostedList : public QAbstractTableModel {
    Q_OBJECT
public:
    enum class State { Browse, Edit, Insert };
    struct Column {
        QString field; // shown field (a looked-up one is computed by lookUp)
        QString title;
        QString stores = {}; // field an edit of the cell writes; empty: field itself
        int maxLength = 0; // a text field's size; 0 where the field is no text
        bool integer = false; // the field holds whole numbers only
    };

    PostedList(QStringList fields, std::vector<Column> columns, QObject *parent = nullptr);

    // Reads the rows afresh (the first page of them where the list is paged);
    // the first becomes current.
    void open();

    int current() const { return m_current; }
    State state() const { return m_state; }
    bool isEditing() const { return m_state != State::Browse; }
    bool isModified() const { return m_modified; }
    bool isEmpty() const { return m_rows.empty(); }
    // True while rows are being added or removed; views' own moves of their
    // current row are then no request to move.
    bool isReshaping() const { return m_reshaping > 0; }

    QVariant field(const QString &name) const; // of the current row
    QVariant value(int row, const QString &name) const;
    // Puts the current row into edit (an empty list gets a new row) and sets the field.
    void setField(const QString &name, const QVariant &value);
    // On a new row nobody has changed yet, replaces one of its defaults: the
    // row stays untouched, so leaving it still drops it. On any other row it
    // is setField().
    void setDefault(const QString &name, const QVariant &value);

    void edit();
    // A new row before `row` (at the end when `row` is past the last), and
    // one at the end; both stay pending until changed and left.
    void insert(int row);
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
    // The looked-up values have changed: views show them again.
    void refreshLookUps();
    const std::vector<Column> &columns() const { return m_columns; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

Q_SIGNALS:
    void currentChanged(int row);
    // A field of the current row changed (by an edit, a post or a cancel).
    void currentEdited();
    // The operator stored a value into a cell through a view.
    void cellEdited(const QString &field);

protected:
    using Row = QVariantList;
    int fieldIndex(const QString &name) const { return static_cast<int>(m_fields.indexOf(name)); }

    virtual std::vector<Row> load() = 0;
    // Paged lists (pageSize() above 0) read their rows in RecNo order, a page
    // at a time as views scroll, instead of through load().
    virtual int pageSize() const { return 0; }
    virtual std::vector<Row> loadAfter(int /*recNo*/, int /*limit*/) { return {}; }
    virtual int insertRecord(const Row &row) = 0; // returns the new RecNo
    virtual void updateRecord(const Row &row) = 0;
    virtual void deleteRecord(const Row &row) = 0;
    // Defaults of a new row; `rowsBefore` is how many rows the list held.
    virtual void newRecord(Row &, int /*rowsBefore*/) {}
    virtual QVariant lookUp(const QString &field, const Row &row) const;
    // A row the table's own rules refuse, before it is written: throws
    // DbError with the operator's words.
    virtual void checkRow(const Row &) const {}

private:
    void moveTo(int row);
    void rowChanged(int row);
    void addRow(int at);
    void addPage(std::vector<Row> rows);
    // Throws when a value of the row cannot be stored in its field.
    void checkFields(const Row &row) const;
    // The database's refusal in the operator's words, naming the field.
    [[noreturn]] void refused(const QString &reason) const;

    QStringList m_fields;
    std::vector<Column> m_columns;
    std::vector<Row> m_rows;
    Row m_original; // the current row before its edit began
    int m_current = -1;
    State m_state = State::Browse;
    bool m_modified = false;
    int m_reshaping = 0;
    // Paging: the last RecNo read, whether more may follow, and the rows this
    // list wrote itself (already shown, so a later page skips them).
    int m_lastRead = 0;
    bool m_more = false;
    std::set<int> m_written;
};
