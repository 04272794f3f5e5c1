#pragma once
#include <optional>
#include <string>

namespace vs {

class Settings;

// The section "Metrics" of the settings file: the metrics endpoint is off
// unless "Enabled" is 1; "Listen" is "host:port", "[v6 address]:port" or a
// port alone (every interface).
struct MetricsSettings {
    bool enabled = false;
    std::string listen = "127.0.0.1:9464";
    // "NetworkSticks": also the sticks known through the network link.
    bool networkSticks = false;
};

MetricsSettings loadMetricsSettings(const Settings& settings);
// The listen text as the web server takes it, or no value (with the reason)
// when it is not an address and a port.
std::optional<std::string> listenOption(const std::string& listen, std::string& error);

} // namespace vs
