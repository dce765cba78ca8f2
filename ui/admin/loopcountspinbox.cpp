#include "ui/admin/loopcountspinbox.h"

#include "admin/prizeitemrules.h"

LoopCountSpinBox::LoopCountSpinBox(QWidget *parent) : QSpinBox(parent)
{
    setRange(kLoopCountMin, kLoopCountMax);
    setSingleStep(kLoopCountStep);
    setValue(kLoopCountMin);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

int LoopCountSpinBox::loopCount() const { return loopCountFromText(text()); }

QValidator::State LoopCountSpinBox::validate(QString &input, int &) const
{
    bool ok = false;
    const int value = input.trimmed().toInt(&ok);
    if (ok && value >= minimum() && value <= maximum())
        return QValidator::Acceptable;
    return QValidator::Intermediate;
}

void LoopCountSpinBox::fixup(QString &input) const { input = QString::number(loopCountFromText(input)); }
