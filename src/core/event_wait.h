#pragma once
#include "common/wait.h"

namespace vs {

// A wait that keeps the window alive: the event loop runs for the given
// milliseconds (timers, sockets and user input are handled meanwhile).
WaitFn eventLoopWait();

} // namespace vs
