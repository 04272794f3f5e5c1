#pragma once
#include <memory>
#include <string>

namespace vs {

class ConsoleFace;
class MonitorCore;
struct Services;

// The web page beside the service's console, when the settings enable it:
// it shows the console's last lines and says where it listens.
std::shared_ptr<void> startServiceWebFace(Services& services, MonitorCore& core, ConsoleFace& console,
                                          std::string& error);

} // namespace vs
