#pragma once
#include <QObject>
#include <vector>

class QTableView;

// Fits a grid's shown columns to its width, so that no caption is cut off
// and no value where the width allows. Each column gets its designed width,
// or more where its caption or a shown value needs it. When that is more than
// the grid has, columns first give up what they hold beyond their values,
// then, in proportion, width of their values; never that of their caption.
// Width left over goes to the last column, or is shared out in proportion
// to the designed widths, so that no empty strip stays at the right.
class ColumnFit : public QObject {
    Q_OBJECT
public:
    enum class Spare { LastColumn, Proportional };

    // Lives as long as the grid; fits again whenever the grid's viewport or
    // its headers change size.
    ColumnFit(QTableView &view, std::vector<int> designed, Spare spare = Spare::LastColumn);

    // Fits again; call it after the rows have changed.
    void fit();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTableView &m_view;
    QObject *m_viewport;
    std::vector<int> m_designed;
    Spare m_spare;
    bool m_fitting = false;
    int m_refits = 0;
};
