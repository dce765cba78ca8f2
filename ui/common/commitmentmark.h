#pragma once
#include <QImage>
#include <QWidget>

// The commitment of the draw's seed as the audience sees it before the first
// press: "抽奖承诺", its first 16 hex digits on two lines, and a QR code of
// all 64 (in capitals) for a telephone's camera. Hidden while there is no
// commitment.
class CommitmentMark : public QWidget {
    Q_OBJECT
public:
    explicit CommitmentMark(QWidget *parent = nullptr);
    void setCommitment(const QString &commitment);
    const QString &commitment() const { return m_commitment; }
    // The QR code of a text (in capitals), one pixel a module with a quiet
    // zone of two modules; null when the text cannot be encoded.
    static QImage qrImage(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_commitment;
    QImage m_qr;
};
