#pragma once
#include <QSpinBox>

// The loop-count box: 5 … 50 in steps of 5. Anything may be typed; when the
// operator leaves the box the text is rounded and brought into range, and a
// text that is no number becomes 5.
class LoopCountSpinBox : public QSpinBox {
    Q_OBJECT
public:
    explicit LoopCountSpinBox(QWidget *parent = nullptr);
    // The value the typed text stands for, even before the box was left.
    int loopCount() const;

protected:
    QValidator::State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;
};
