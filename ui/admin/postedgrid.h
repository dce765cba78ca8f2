#pragma once
#include <QObject>
#include <QStyledItemDelegate>
#include <functional>
#include <vector>

class ColumnFit;
class Dialogs;
class PostedList;
class QTableView;

// Cell editors of an edited list's grid: a text field takes no more
// characters than its size, a whole-number field only digits.
class PostedFieldDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit PostedFieldDelegate(const PostedList &list, QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    // Whether the editor that just closed was closed with Enter; asks once.
    bool takeEnter();
    bool enterPending() const { return m_enter; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    const PostedList &m_list;
    bool m_enter = false;
};

// Binds a grid to an edited list, the same way for every grid of the
// administration screens: the grid's current row is the list's; leaving a
// row or Enter posts it; Insert adds a row before the current one and Down on
// the last row (also on an empty grid) one at the end; Esc takes back the
// pending change of the row, and only when there is none goes on to the
// screen. A refused step goes to the general error report and the grid stays
// on the row with its edit.
class PostedGrid : public QObject {
    Q_OBJECT
public:
    PostedGrid(QTableView &view, PostedList &list, Dialogs &dialogs);

    // The designed widths, by column. The shown columns are fitted to the
    // grid's width (ColumnFit, the last column taking what is left).
    void setColumnWidths(std::vector<int> widths);
    void fitColumns();
    // Runs a step; an error goes to the general error report.
    void run(const std::function<void()> &step);

Q_SIGNALS:
    // Ctrl+Delete in the grid.
    void deleteRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool handleKey(int key, Qt::KeyboardModifiers modifiers);
    int firstShownColumn() const;
    void showCurrent(int row);

    QTableView &m_view;
    PostedList &m_list;
    Dialogs &m_dialogs;
    PostedFieldDelegate *m_delegate = nullptr;
    ColumnFit *m_fit = nullptr;
};
