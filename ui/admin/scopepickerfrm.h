#pragma once
#include "store/rows.h"
#include "store/scopestore.h"

#include <QDialog>
#include <vector>

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

// Who may win a prize item: the roster's factories, each with its
// departments, as check boxes with their head counts. A checked factory takes
// all its people; a checked department under an unchecked factory takes that
// department of that factory. Nothing checked: everybody ("全体").
class TScopePickerFrm : public QDialog {
    Q_OBJECT
public:
    TScopePickerFrm(std::vector<ScopeStore::Group> groups, const std::vector<ScopeRow> &chosen,
                    QWidget *parent = nullptr);

    // The scope rows of the choice (without item numbers).
    std::vector<ScopeRow> chosenRows() const;
    // How many roster rows the choice holds.
    int chosenPeople() const;

private:
    friend class TestScopePicker;
    void showCount();

    std::vector<ScopeStore::Group> m_groups;
    QTreeWidget *m_tree = nullptr;
    QLabel *m_count = nullptr;
};
