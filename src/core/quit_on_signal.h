#pragma once
#include <functional>

namespace vs {

// Runs `onSignal` from the event loop when the program is asked to end by
// SIGTERM, SIGINT or SIGHUP (as at logout or when a service is stopped).
void quitOnTerminationSignals(std::function<void()> onSignal);

// A daemon's signals: `onEnd` for SIGTERM and SIGINT, `onReload` for SIGHUP
// (which never ends it), both run from the event loop. SIGPIPE is ignored:
// a reader of standard output that goes away never stops the program.
void watchServiceSignals(std::function<void()> onEnd, std::function<void()> onReload);

} // namespace vs
