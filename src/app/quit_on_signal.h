#pragma once

class QWidget;

namespace vs {

// Closes the window (running its shut-down sequence) when the program is
// asked to end by SIGTERM, SIGINT or SIGHUP, as at logout.
void closeOnTerminationSignals(QWidget& window);

} // namespace vs
