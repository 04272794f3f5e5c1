#pragma once
#include "stick/hid_backend.h"

#include <cstdint>
#include <functional>
#include <string>

namespace vs {

class StickLink;

constexpr uint16_t kStickVendorId = 0x03EB;
bool isStickProduct(uint16_t vendorId, uint16_t productId);

// Finds the sticks among the backend's HID interfaces and keeps the stick
// table in step: new sticks get a slot (the same slot again for the same
// path), sticks already open are left alone, slots whose stick is gone are
// closed (emulated and network slots included).
class DeviceScanner {
public:
    DeviceScanner(StickLink& link, HidBackend& backend) : link_(link), backend_(backend) {}

    // Told once per program run when a stick is present but may not be opened.
    std::function<void(const std::string& advice)> onPermissionProblem;

    // The number of sticks present after the scan, also left in SticksConnected.
    int16_t Nymstick_Find();

    HidBackend& backend() { return backend_; }

private:
    StickLink& link_;
    HidBackend& backend_;
    bool toldAboutPermissions_ = false;
};

// What the user is told when a stick may not be opened.
std::string udevRuleAdvice(const std::string& path);

} // namespace vs
