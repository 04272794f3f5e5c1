#include "core/quit_on_signal.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace vs {

namespace {

int wakePipe[2] = {-1, -1};

void onSignal(int sig)
{
    const char c = static_cast<char>(sig);
    // Only async-signal-safe work here: the event loop picks it up.
    [[maybe_unused]] const auto n = ::write(wakePipe[1], &c, 1);
}

// Each signal that came runs the handler, with its number, from the event loop.
void watch(std::function<void(int)> handler)
{
    if (::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [handler = std::move(handler)] {
        char buffer[16];
        ssize_t n = 0;
        while ((n = ::read(wakePipe[0], buffer, sizeof buffer)) > 0)
            for (ssize_t i = 0; i < n; ++i)
                handler(buffer[i]);
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaction(sig, &action, nullptr);
}

} // namespace

void quitOnTerminationSignals(std::function<void()> handler)
{
    watch([handler = std::move(handler)](int) { handler(); });
}

void watchServiceSignals(std::function<void()> onEnd, std::function<void()> onReload)
{
    ::signal(SIGPIPE, SIG_IGN);
    watch([onEnd = std::move(onEnd), onReload = std::move(onReload)](int sig) {
        if (sig == SIGHUP)
            onReload();
        else
            onEnd();
    });
}

} // namespace vs
