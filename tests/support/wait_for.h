#pragma once
// Tests wait for the event they need, never for a span of time: the event
// loop runs (as the program's main loop does, deferred deletions included)
// until the condition holds. The limit only guards against a hang; it is far
// above what anything here takes, also on a machine whose cores are busy.
#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace vstest {

constexpr int kHangGuardMs = 60000;

inline bool waitFor(const std::function<bool()>& done, int guardMs = kHangGuardMs)
{
    if (done())
        return true;
    bool met = false;
    QEventLoop loop;
    QTimer look, guard;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if ((met = done()))
            loop.quit();
    });
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    look.start(5);
    guard.setSingleShot(true);
    guard.start(guardMs);
    loop.exec();
    return met;
}

} // namespace vstest
