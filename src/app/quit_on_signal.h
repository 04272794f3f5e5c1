#pragma once
#include <functional>

class QWidget;

namespace vs {

// Runs `onSignal` from the event loop when the program is asked to end by
// SIGTERM, SIGINT or SIGHUP (as at logout or when a service is stopped).
void quitOnTerminationSignals(std::function<void()> onSignal);
// Closes the window (running its shut-down sequence) on those signals.
void closeOnTerminationSignals(QWidget& window);

} // namespace vs
