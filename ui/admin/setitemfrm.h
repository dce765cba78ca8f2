#pragma once
#include "store/rows.h"

#include <QDialog>
#include <QString>
#include <utility>
#include <vector>

class Database;
class Dialogs;
class QLabel;
class QLineEdit;
class QPushButton;

// The prize item entry screen: a full-screen page with one row of four large
// entry fields that adds one prize item. Nothing is written until OK.
class TSetItemFrm : public QDialog {
    Q_OBJECT
public:
    // The background picture, setitem.jpg, is read from `pictureFolder`
    // (with trailing separator).
    TSetItemFrm(const QString &pictureFolder, Database &db, Dialogs &dialogs, QWidget *parent = nullptr);

    // Loads the background picture; a missing or unreadable one is reported
    // and the screen works without it.
    void FormCreate();
    // Fills the fields with the defaults of a new item after existingItems.
    void ADOQuery2NewRecord(int existingItems);
    // The item as the fields hold it now.
    PrizeItem item() const;
    // Where the new item's picture is copied (prize-<RecNo>.<ext>); empty:
    // the screen offers no picture.
    void setPicturesFolder(const QString &folder);
    // Writes the item; throws DbError when the row cannot be written. Its
    // picture is copied after; a copy that fails is reported, the item stays.
    void post();
    // Chooses the item's picture through the dialogs service, as the button does.
    void choosePicture();
    // Refuses an item the draw could not serve and keeps the screen open.
    void accept() override;

    // The tests type into the fields as the operator does.
    friend class TestPrizeScreens;
    friend class TestAdminFromMain;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeControls();
    void chooseScope();
    void showScope();

    QLabel *Image1 = nullptr;
    QLabel *EmpName = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLineEdit *DBEdit1 = nullptr; // ItemName
    QLineEdit *DBEdit2 = nullptr; // Awards
    QLineEdit *DBEdit3 = nullptr; // SumNumber
    QLineEdit *DBEdit4 = nullptr; // iNumber
    QPushButton *BitBtn1 = nullptr;
    QPushButton *BitBtn2 = nullptr;
    QPushButton *ScopeButton = nullptr;
    QPushButton *PictureButton = nullptr; // 奖品图片
    QString m_picture; // the chosen file, read through already
    QString m_picturesFolder;
    std::vector<ScopeRow> m_scope; // empty: everybody

    const QString m_pictureFolder;
    Database &m_db;
    Dialogs &m_dialogs;

    int m_iSeq = 1;
    std::vector<std::pair<QWidget *, QRect>> m_designPlaces;
};
