#pragma once
#include "stick/hid_backend.h"

#include <cstdint>
#include <functional>
#include <set>
#include <vector>
#include <string>
#include <utility>

namespace vs {

class StickLink;

constexpr uint16_t kStickVendorId = 0x03EB;
bool isStickProduct(uint16_t vendorId, uint16_t productId);

// Finds the sticks among the backend's HID interfaces and keeps the stick
// table in step: new sticks get a slot (the same slot again for the same
// path), sticks already open are left alone, slots whose stick is gone are
// closed (emulated and network slots included) - also a stick whose device
// left and came back under the same node name, as its old handle is dead.
class DeviceScanner {
public:
    DeviceScanner(StickLink& link, HidBackend& backend) : link_(link), backend_(backend) {}

    // Told once per program run when a stick is present but may not be opened.
    std::function<void(const std::string& advice)> onPermissionProblem;
    // Told once per device node when another program holds the stick.
    std::function<void(const std::string& path, const std::string& reason)> onInUse;
    // After a scan that left a stick unopened (its node may not be opened,
    // or another program holds it): the caller looks again later.
    std::function<void()> onUnopened;
    // The udev rule named in the permission advice, and whether the program
    // runs as a service (which has no seat: the group lines are its way).
    std::string rulePath = "share/ventiscope/70-ventiscope.rules";
    bool forService = false;

    // The number of sticks present after the scan, also left in SticksConnected.
    int16_t Nymstick_Find();
    // Whether the last scan opened or closed a stick: the set of sticks
    // changed, even when their number did not.
    bool changed() const { return changed_; }
    // The slots whose stick a scan found gone (and closed) since this was last asked.
    std::vector<int> takeLeft() { return std::exchange(left_, {}); }
    // Sticks held by another program at the last scan.
    size_t inUseCount() const { return inUse_.size(); }
    // Sticks the last scan could not open, for whatever reason.
    size_t unopenedCount() const { return unopened_.size(); }

    HidBackend& backend() { return backend_; }

private:
    StickLink& link_;
    HidBackend& backend_;
    bool toldAboutPermissions_ = false;
    bool toldAboutRefusal_ = false;
    bool changed_ = false;
    std::vector<int> left_;
    std::set<std::string> inUse_, unopened_;
};

// What the user is told when a stick may not be opened.
// What to do about a stick the system refuses to open (EPERM).
std::string refusalAdvice(const std::string& path, const std::string& reason, bool forService);
std::string udevRuleAdvice(const std::string& path, const std::string& rulePath, bool forService);

} // namespace vs
