#include "ui/admin/selectempdlgfrm.h"

#include "admin/rostermodel.h"
#include "ui/admin/columnfit.h"
#include "ui/common/screenfonts.h"

#include <QHeaderView>
#include <algorithm>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

using namespace Qt::StringLiterals;

TSelectEmpDlgFrm::TSelectEmpDlgFrm(RosterModel &roster, Database &db, QWidget *parent)
    : QDialog(parent), m_roster(roster), m_db(db)
{
    setObjectName(u"SelectEmpDlgFrm"_s);
    setWindowTitle(u"选择员工"_s);
    setFixedSize(565, 282);
    setFont(screenFont({u"MS Sans Serif"_s}, 11));

    constexpr int footerHeight = 20;
    dxDBGrid1 = new QTableView(this);
    dxDBGrid1->setObjectName(u"dxDBGrid1"_s);
    dxDBGrid1->setGeometry(8, 1, 553, 243 - footerHeight);
    dxDBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    dxDBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    dxDBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dxDBGrid1->verticalHeader()->hide();
    dxDBGrid1->verticalHeader()->setDefaultSectionSize(18);
    dxDBGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    dxDBGrid1->setModel(&m_roster);
    // Long factory names take width the code and name columns do not need,
    // and the columns fill the grid, without a grey strip at the right.
    columnFit = new ColumnFit(*dxDBGrid1, {142, 167, 79});
    connect(dxDBGrid1, &QTableView::doubleClicked, this, [this] { dxDBGrid1DblClick(); });
    connect(dxDBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (current.isValid())
                    m_roster.setCurrentRow(current.row());
            });

    // The footer band under the code column carries the row count.
    footer = new QLabel(this);
    footer->setObjectName(u"footer"_s);
    footer->setGeometry(8, 1 + 243 - footerHeight, 553, footerHeight);
    footer->setFrameShape(QFrame::Panel);
    footer->setFrameShadow(QFrame::Sunken);
    footer->setIndent(4);

    okButton = new QPushButton(u"确认"_s, this);
    okButton->setObjectName(u"BitBtn1"_s);
    okButton->setGeometry(400, 251, 75, 25);
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

    cancelButton = new QPushButton(u"取消"_s, this);
    cancelButton->setObjectName(u"BitBtn2"_s);
    cancelButton->setGeometry(485, 251, 75, 25);
    cancelButton->setAutoDefault(false);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    FormShow();
}

void TSelectEmpDlgFrm::FormShow()
{
    m_roster.open(m_db);
    footer->setText(QString::number(m_roster.rowCount()));
    columnFit->fit();
    if (m_roster.rowCount() > 0 && !dxDBGrid1->currentIndex().isValid())
        selectRow(std::clamp(m_roster.currentRow(), 0, m_roster.rowCount() - 1));
}

int TSelectEmpDlgFrm::chosenRow() const
{
    const QModelIndex current = dxDBGrid1->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TSelectEmpDlgFrm::selectRow(int row)
{
    dxDBGrid1->setCurrentIndex(m_roster.index(row, 0));
    dxDBGrid1->scrollTo(dxDBGrid1->currentIndex());
}

void TSelectEmpDlgFrm::dxDBGrid1DblClick() { accept(); }
