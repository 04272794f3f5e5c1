#pragma once
#include <functional>
#include <memory>
#include <string>

namespace vs {

class ConsoleFace;
class MonitorCore;
struct Services;

// Something that runs beside the console for the service's life (the web
// page): made once the start-up is done and let go before the core shuts
// down. None (and no error) when it is not asked for; an error ends the service.
using Companion = std::function<std::shared_ptr<void>(Services&, MonitorCore&, ConsoleFace&, std::string& error)>;

// Runs the monitor's core as a service until SIGTERM, SIGINT or SIGHUP:
// status lines with time stamps on standard output, no window, no
// questions. Returns the program's exit code.
int runService(int argc, char** argv, const Companion& companion = {});

} // namespace vs
