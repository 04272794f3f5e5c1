#pragma once

namespace vs {

// Runs the program with its main window until the window closes (or a
// command-line switch has acted). Returns the program's exit code.
int runWindow(int argc, char** argv);

} // namespace vs
