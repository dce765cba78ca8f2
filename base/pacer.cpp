#include "base/pacer.h"

#include <QCoreApplication>
#include <QThread>

void RealPacer::pump() { QCoreApplication::processEvents(); }

void RealPacer::pause(int ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}
