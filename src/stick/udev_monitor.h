#pragma once

struct udev;
struct udev_monitor;

namespace vs {

// Listens for hidraw device nodes coming and going (udev's netlink source).
// The owner watches fd() and calls takeEvent() when it is readable.
class UdevMonitor {
public:
    UdevMonitor() = default;
    ~UdevMonitor();
    UdevMonitor(const UdevMonitor&) = delete;
    UdevMonitor& operator=(const UdevMonitor&) = delete;

    // False when udev is not available (no device watch then).
    bool start();
    void stop();
    int fd() const;
    // Reads one pending event; true for a hidraw node added or removed.
    bool takeEvent();

private:
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
};

} // namespace vs
