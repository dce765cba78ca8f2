#include "ui/admin/restorefrm.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
QTableWidgetItem *cell(const QString &text, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(alignment);
    return item;
}

QTableWidgetItem *number(int value)
{
    // A snapshot the engine cannot read is still listed: its counts say so.
    return cell(value < 0 ? u"?"_s : QString::number(value), Qt::AlignRight | Qt::AlignVCenter);
}
} // namespace

TRestoreFrm::TRestoreFrm(std::vector<Snapshots::Entry> snapshots, QWidget *parent)
    : QDialog(parent), m_snapshots(std::move(snapshots))
{
    setObjectName(u"RestoreFrm"_s);
    setWindowTitle(u"恢复数据"_s);
    setFixedSize(561, 380);

    auto *layout = new QVBoxLayout(this);
    auto *caption = new QLabel(m_snapshots.empty()
                                   ? u"还没有快照。可以从备份文件恢复。"_s
                                   : u"每次重置、清除、删除、导入和恢复之前的数据(最近%1份)："_s.arg(Snapshots::kKept),
                               this);
    caption->setObjectName(u"CaptionLabel"_s);
    layout->addWidget(caption);

    SnapshotGrid = new QTableWidget(static_cast<int>(m_snapshots.size()), 5, this);
    SnapshotGrid->setObjectName(u"SnapshotGrid"_s);
    SnapshotGrid->setHorizontalHeaderLabels({u"时间"_s, u"之前的操作"_s, u"员工"_s, u"奖项"_s, u"中奖者"_s});
    SnapshotGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    SnapshotGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    SnapshotGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SnapshotGrid->verticalHeader()->hide();
    for (int row = 0; row < static_cast<int>(m_snapshots.size()); ++row) {
        const Snapshots::Entry &entry = m_snapshots[static_cast<size_t>(row)];
        SnapshotGrid->setItem(row, 0, cell(entry.when.toString(u"yyyy-MM-dd HH:mm:ss"_s)));
        SnapshotGrid->setItem(row, 1, cell(entry.action));
        SnapshotGrid->setItem(row, 2, number(entry.people));
        SnapshotGrid->setItem(row, 3, number(entry.items));
        SnapshotGrid->setItem(row, 4, number(entry.winners));
    }
    // The action takes the room left; the time and the counts are read whole.
    SnapshotGrid->resizeColumnsToContents();
    for (int c = 2; c < 5; ++c)
        SnapshotGrid->setColumnWidth(c, std::max(SnapshotGrid->columnWidth(c), 64));
    SnapshotGrid->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    if (!m_snapshots.empty())
        SnapshotGrid->selectRow(0);
    layout->addWidget(SnapshotGrid);

    auto *buttons = new QHBoxLayout;
    FileButton = new QPushButton(u"从备份文件恢复..."_s, this);
    FileButton->setObjectName(u"FileButton"_s);
    RestoreButton = new QPushButton(u"恢复"_s, this);
    RestoreButton->setObjectName(u"RestoreButton"_s);
    RestoreButton->setEnabled(!m_snapshots.empty());
    RestoreButton->setDefault(true);
    CancelButton = new QPushButton(u"取消"_s, this);
    CancelButton->setObjectName(u"CancelButton"_s);
    buttons->addWidget(FileButton);
    buttons->addStretch();
    buttons->addWidget(RestoreButton);
    buttons->addWidget(CancelButton);
    layout->addLayout(buttons);

    connect(FileButton, &QPushButton::clicked, this, [this] {
        m_fromFile = true;
        accept();
    });
    connect(RestoreButton, &QPushButton::clicked, this, [this] {
        if (chosen())
            accept();
    });
    connect(SnapshotGrid, &QTableWidget::cellDoubleClicked, this, [this] { accept(); });
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

const Snapshots::Entry *TRestoreFrm::chosen() const
{
    if (m_fromFile)
        return nullptr;
    const int row = SnapshotGrid->currentRow();
    if (row < 0 || row >= static_cast<int>(m_snapshots.size()))
        return nullptr;
    return &m_snapshots[static_cast<size_t>(row)];
}
