#pragma once
#include <QDialog>

class Dialogs;
class QCheckBox;
class QLabel;

// The stage's own look: a background picture, a logo for the title band and
// whether the board shows the winners' photos. A chosen picture is read
// through at once, refused by name when it is no picture, and copied into
// the data folder's pictures/, so that a copied or backed-up folder carries
// it; the choice itself takes effect with the settings screen's OK.
//
// With a console it is one of its pages: 确认 is 应用 there (the stage takes the
// look at once) and 取消 is 还原.
class TStageLookFrm : public QDialog {
    Q_OBJECT
public:
    enum class Presentation { Screen, ConsolePage };
    // `picturesFolder` ends with a separator.
    TStageLookFrm(const QString &picturesFolder, Dialogs &dialogs, QWidget *parent = nullptr,
                  Presentation presentation = Presentation::Screen);

    void accept() override;
    void reject() override;

    void setLook(const QString &background, const QString &logo, bool showPhotos);
    // File names inside the pictures folder; empty: the delivered artwork.
    QString background() const { return m_background; }
    QString logo() const { return m_logo; }
    bool showPhotos() const;

    // Chooses a picture through the dialogs service, as the buttons do.
    void chooseBackground();
    void chooseLogo();
    // "恢复默认": the delivered artwork, no photos.
    void restoreDefault();

    static QString pictureFilter();

Q_SIGNALS:
    // A console page's 应用 and 还原.
    void applied();
    void reverted();

private:
    QString choose(const QString &baseName);
    void showNames();

    const Presentation m_presentation;
    const QString m_folder;
    Dialogs &m_dialogs;
    QString m_background;
    QString m_logo;
    QLabel *m_backgroundName = nullptr;
    QLabel *m_logoName = nullptr;
    QCheckBox *m_showPhotos = nullptr;
};
