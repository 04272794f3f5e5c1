#pragma once
#include <functional>

namespace vs {

// Every pause inside a stick exchange or a network wait goes through one of
// these. The program's version keeps the window alive while it waits; a test's
// version advances a fake clock at once.
using WaitFn = std::function<void(int milliseconds)>;

// Blocks the calling thread; for console use where there is no window to keep alive.
WaitFn sleepingWait();

} // namespace vs
