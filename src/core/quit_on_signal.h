#pragma once
#include <functional>

namespace vs {

// Runs `onSignal` from the event loop when the program is asked to end by
// SIGTERM, SIGINT or SIGHUP (as at logout or when a service is stopped).
void quitOnTerminationSignals(std::function<void()> onSignal);

} // namespace vs
