#include "base/pacer.h"

#include <QCoreApplication>
#include <QThread>

#include <chrono>

qint64 Pacer::nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void RealPacer::pump() { QCoreApplication::processEvents(); }

void RealPacer::pause(int ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}
