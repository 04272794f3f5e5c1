#pragma once

namespace vs {

// Runs the monitor's core as a service until SIGTERM, SIGINT or SIGHUP:
// status lines with time stamps on standard output, no window, no
// questions. Returns the program's exit code.
int runService(int argc, char** argv);

} // namespace vs
