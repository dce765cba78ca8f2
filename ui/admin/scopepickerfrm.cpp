#include "ui/admin/scopepickerfrm.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <map>

using namespace Qt::StringLiterals;

namespace {
constexpr int kFactoryRole = Qt::UserRole;
constexpr int kDepartmentRole = Qt::UserRole + 1;

QString shown(const QString &text) { return text.isEmpty() ? u"（空）"_s : text; }

bool contains(const std::vector<ScopeRow> &rows, const QString &factory, const QString &department)
{
    for (const ScopeRow &r : rows) {
        if (r.CompCode == factory && r.DartNo == department)
            return true;
    }
    return false;
}
} // namespace

TScopePickerFrm::TScopePickerFrm(std::vector<ScopeStore::Group> groups, const std::vector<ScopeRow> &chosen,
                                 QWidget *parent)
    : QDialog(parent), m_groups(std::move(groups))
{
    setObjectName(u"ScopePickerFrm"_s);
    setWindowTitle(u"抽奖范围"_s);
    resize(420, 480);

    auto *layout = new QVBoxLayout(this);
    auto *hint = new QLabel(u"勾选可以中此奖项的工厂或部门；都不勾选表示全体员工。"_s, this);
    hint->setWordWrap(true);
    layout->addWidget(hint);

    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(u"scopeTree"_s);
    m_tree->setColumnCount(2);
    m_tree->setHeaderLabels({u"工厂 / 部门"_s, u"人数"_s});
    m_tree->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_tree->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    layout->addWidget(m_tree, 1);

    // Factories in roster order, each with its departments and head counts.
    std::map<QString, QTreeWidgetItem *> factories;
    for (const ScopeStore::Group &g : m_groups) {
        QTreeWidgetItem *&factory = factories[g.factory];
        if (!factory) {
            factory = new QTreeWidgetItem(m_tree, {shown(g.factory), u"0"_s});
            factory->setData(0, kFactoryRole, g.factory);
            // People without a factory cannot be named by it: an empty
            // factory in a scope means any factory.
            if (!g.factory.isEmpty())
                factory->setCheckState(0, contains(chosen, g.factory, QString()) ? Qt::Checked : Qt::Unchecked);
        }
        factory->setText(1, QString::number(factory->text(1).toInt() + g.people));
        auto *department = new QTreeWidgetItem(factory, {shown(g.department), QString::number(g.people)});
        department->setData(0, kFactoryRole, g.factory);
        department->setData(0, kDepartmentRole, g.department);
        if (!g.factory.isEmpty() && !g.department.isEmpty()) {
            department->setCheckState(0, contains(chosen, g.factory, g.department) ? Qt::Checked : Qt::Unchecked);
            if (department->checkState(0) == Qt::Checked)
                factory->setExpanded(true);
        }
    }
    connect(m_tree, &QTreeWidget::itemChanged, this, [this] { showCount(); });

    m_count = new QLabel(this);
    m_count->setObjectName(u"scopeCount"_s);
    layout->addWidget(m_count);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(u"确认"_s);
    buttons->button(QDialogButtonBox::Cancel)->setText(u"取消"_s);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    showCount();
}

std::vector<ScopeRow> TScopePickerFrm::chosenRows() const
{
    std::vector<ScopeRow> rows;
    for (int f = 0; f < m_tree->topLevelItemCount(); ++f) {
        const QTreeWidgetItem *factory = m_tree->topLevelItem(f);
        const QString name = factory->data(0, kFactoryRole).toString();
        if (factory->checkState(0) == Qt::Checked) {
            rows.push_back({0, 0, name, QString()});
            continue;
        }
        for (int d = 0; d < factory->childCount(); ++d) {
            const QTreeWidgetItem *department = factory->child(d);
            if (department->checkState(0) == Qt::Checked)
                rows.push_back({0, 0, name, department->data(0, kDepartmentRole).toString()});
        }
    }
    return rows;
}

int TScopePickerFrm::chosenPeople() const { return ScopeStore::countInScope(m_groups, chosenRows()); }

void TScopePickerFrm::showCount()
{
    const std::vector<ScopeRow> rows = chosenRows();
    m_count->setText(u"抽奖范围：%1，共 %2 人"_s.arg(ScopeStore::summary(rows, 30)).arg(chosenPeople()));
}
