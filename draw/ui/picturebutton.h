#pragma once
#include <QLabel>
#include <functional>

// A picture that runs its handler when clicked, under a pointing-hand cursor.
class PictureButton : public QLabel {
    Q_OBJECT
public:
    PictureButton(const QString &objectName, const QString &caption, QWidget *parent);
    std::function<void()> onClick;

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};
