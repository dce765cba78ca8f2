#pragma once
#include "store/snapshots.h"

#include <QDialog>
#include <vector>

class QPushButton;
class QTableWidget;

// The snapshots to choose from when data is restored (time, action and what
// each holds), or a backup file from elsewhere.
class TRestoreFrm : public QDialog {
    Q_OBJECT
public:
    explicit TRestoreFrm(std::vector<Snapshots::Entry> snapshots, QWidget *parent = nullptr);

    // The snapshot chosen, null when the operator asked for a backup file instead.
    const Snapshots::Entry *chosen() const;
    bool fromFile() const { return m_fromFile; }

private:
    friend class TestSnapshotScreens;

    std::vector<Snapshots::Entry> m_snapshots;
    bool m_fromFile = false;
    QTableWidget *SnapshotGrid = nullptr;
    QPushButton *RestoreButton = nullptr;
    QPushButton *FileButton = nullptr;
    QPushButton *CancelButton = nullptr;
};
