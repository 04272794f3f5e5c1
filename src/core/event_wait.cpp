#include "core/event_wait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace vs {

WaitFn eventLoopWait()
{
    return [](int ms) {
        if (ms <= 0) {
            QCoreApplication::processEvents();
            return;
        }
        QEventLoop loop;
        QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    };
}

} // namespace vs
