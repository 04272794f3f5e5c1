#include "service/systemd_notify.h"

#include <systemd/sd-daemon.h>

#include <ctime>

namespace vs::systemd {

namespace {

void send(const std::string& text)
{
    sd_notify(0, text.c_str());
}

std::string monotonicUsec()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return std::to_string(static_cast<unsigned long long>(t.tv_sec) * 1000000ULL +
                          static_cast<unsigned long long>(t.tv_nsec) / 1000ULL);
}

} // namespace

void ready(const std::string& text)
{
    send("READY=1\nSTATUS=" + text);
}

void status(const std::string& text)
{
    send("STATUS=" + text);
}

void reloading()
{
    // systemd 253 and later want the time with it; older ones ignore it.
    send("RELOADING=1\nMONOTONIC_USEC=" + monotonicUsec());
}

void stopping()
{
    send("STOPPING=1");
}

void watchdog()
{
    send("WATCHDOG=1");
}

int watchdogMs()
{
    uint64_t usec = 0;
    return sd_watchdog_enabled(0, &usec) > 0 ? static_cast<int>(usec / 1000) : 0;
}

} // namespace vs::systemd
