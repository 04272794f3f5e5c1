#pragma once
#include <memory>
#include <string>

namespace vs {

class MainWindow;

// The web page beside the window, when the settings enable it: it shows the
// lines over the plot and says there where it listens.
std::shared_ptr<void> startWindowWebFace(MainWindow& window, std::string& error);

} // namespace vs
