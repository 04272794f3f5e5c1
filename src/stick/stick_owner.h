#pragma once
#include <string>

namespace vs {

// Takes this program's exclusive lock on a stick's device node. True with
// `fd` holding the lock (or -1 where the node cannot be opened for it, which
// the open that follows reports); false with `reason` saying who holds the
// stick when another program does.
bool lockStick(const std::string& path, int& fd, std::string& reason);

// Who holds the lock on the node, as a user reads it ("the Ventiscope
// service (process 812)", "another Ventiscope window (process 901)",
// "python3 (process 77)"), with what to do about it; "" when not known.
std::string stickHolder(const std::string& path);

// The lock holder's description from its command line (arguments as
// /proc/<pid>/cmdline gives them, separated by NUL bytes).
std::string holderFromCommandLine(const std::string& cmdline, long pid);

} // namespace vs
