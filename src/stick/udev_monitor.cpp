#include "stick/udev_monitor.h"

#include <libudev.h>

#include <cstring>

namespace vs {

UdevMonitor::~UdevMonitor()
{
    stop();
}

bool UdevMonitor::start()
{
    if (monitor_)
        return true;
    udev_ = udev_new();
    if (!udev_)
        return false;
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (!monitor_ || udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        stop();
        return false;
    }
    return true;
}

void UdevMonitor::stop()
{
    if (monitor_)
        udev_monitor_unref(monitor_);
    if (udev_)
        udev_unref(udev_);
    monitor_ = nullptr;
    udev_ = nullptr;
}

int UdevMonitor::fd() const
{
    return monitor_ ? udev_monitor_get_fd(monitor_) : -1;
}

bool UdevMonitor::takeEvent()
{
    if (!monitor_)
        return false;
    udev_device* dev = udev_monitor_receive_device(monitor_);
    if (!dev)
        return false;
    const char* action = udev_device_get_action(dev);
    // "change" too: a node whose permissions were just fixed can be opened now.
    const bool nodeChange = action && (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0 ||
                                       std::strcmp(action, "change") == 0);
    udev_device_unref(dev);
    return nodeChange;
}

} // namespace vs
