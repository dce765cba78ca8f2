#include "ui/common/commitmentmark.h"

#include "ui/common/screenfonts.h"

#include <QPainter>
#include <qrencode.h>

using namespace Qt::StringLiterals;

CommitmentMark::CommitmentMark(QWidget *parent) : QWidget(parent)
{
    setObjectName(u"CommitmentMark"_s);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

QImage CommitmentMark::qrImage(const QString &text)
{
    // Hex digits in capitals are the code's alphanumeric mode: 64 of them fit
    // version 3 (29 modules), large modules in a small corner.
    const QByteArray bytes = text.toUpper().toUtf8();
    QRcode *code = QRcode_encodeString(bytes.constData(), 0, QR_ECLEVEL_L, QR_MODE_8, 1);
    if (!code)
        return {};
    constexpr int quiet = 2;
    const int size = code->width + 2 * quiet;
    QImage image(size, size, QImage::Format_Grayscale8);
    image.fill(Qt::white);
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            if (code->data[y * code->width + x] & 1)
                image.setPixel(x + quiet, y + quiet, qRgb(0, 0, 0));
        }
    }
    QRcode_free(code);
    return image;
}

void CommitmentMark::setCommitment(const QString &commitment)
{
    if (commitment == m_commitment && isVisible() == !commitment.isEmpty())
        return;
    m_commitment = commitment;
    m_qr = commitment.isEmpty() ? QImage() : qrImage(commitment);
    setToolTip(commitment.isEmpty() ? QString() : u"抽奖承诺：%1"_s.arg(commitment));
    setVisible(!commitment.isEmpty());
    update();
}

void CommitmentMark::paintEvent(QPaintEvent *)
{
    if (m_commitment.isEmpty())
        return;
    QPainter p(this);
    // The code as large as the height allows, sharp at any scale, at the right.
    const int side = height();
    const QRect code(width() - side, 0, side, side);
    p.drawImage(code, m_qr);
    const QRect text(0, 0, std::max(0, code.left() - 4), height());
    p.setPen(Qt::white);
    QFont font = yaHeiFont(std::max(8, height() / 5), false);
    p.setFont(font);
    p.drawText(text, Qt::AlignRight | Qt::AlignVCenter,
               u"抽奖承诺\n%1\n%2"_s.arg(m_commitment.left(8), m_commitment.mid(8, 8)));
}
