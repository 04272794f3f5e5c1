#pragma once
#include "stick/hid_descriptor.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vs {

class Transport;

struct HidAttributes {
    uint16_t VendorID = 0;
    uint16_t ProductID = 0;
    uint16_t VersionNumber = 0;
    std::string Manufacturer;
    std::string Product;
};

// One opened HID device during a scan.
class HidDevice {
public:
    virtual ~HidDevice() = default;
    // No value when the attributes cannot be read.
    virtual std::optional<HidAttributes> attributes() = 0;
    virtual HidCaps caps() = 0;
    // Hands the open device over to a stick slot.
    virtual std::shared_ptr<Transport> takeTransport() = 0;
};

// Why an open failed.
// Refused: the node's permissions allow it but the system does not (EPERM,
// a device policy such as a service's DeviceAllow=).
enum class OpenFailure { None, InUse, Permission, Refused };

// The seam between the scan and the platform: which HID interfaces exist and
// how one is opened.
class HidBackend {
public:
    virtual ~HidBackend() = default;
    virtual std::vector<std::string> enumerate() = 0;
    virtual std::unique_ptr<HidDevice> open(const std::string& path, OpenFailure& failure, std::string& reason) = 0;
};

} // namespace vs
