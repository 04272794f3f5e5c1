#pragma once
#include <functional>
#include <memory>
#include <string>

namespace vs {

class MainWindow;

// Something that runs beside the window for the program's life (the web
// page): made once the start-up is done and let go before the window
// closes. None (and no error) when it is not asked for; an error is said
// over the plot and the program runs on.
using WindowCompanion = std::function<std::shared_ptr<void>(MainWindow&, std::string& error)>;

// Runs the program with its main window until the window closes (or a
// command-line switch has acted). Returns the program's exit code.
int runWindow(int argc, char** argv, const WindowCompanion& companion = {});

} // namespace vs
