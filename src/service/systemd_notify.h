#pragma once
#include <string>

namespace vs {

// The service manager's notification socket (Type=notify): readiness,
// status, reload, stop and the watchdog. Every call does nothing when the
// program was not started by systemd with a notification socket.
namespace systemd {

void ready(const std::string& status);
void status(const std::string& status);
void reloading();
void stopping();
void watchdog();
// The watchdog's interval in ms (WatchdogSec), 0 when there is none.
int watchdogMs();

} // namespace systemd

} // namespace vs
