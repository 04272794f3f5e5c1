#pragma once
#include "stick/hid_backend.h"
#include "stick/transport.h"

#include <string>

struct hid_device_;

namespace vs {

// Hands the exchange an input report as it expects it: byte 0 the report ID
// (always 0), the payload from byte 1, whether or not the platform returned
// the ID byte, and zeros after a short report. `got` holds `n` bytes as read;
// `out` has `length` bytes. Returns the report's real length (ID included).
size_t normalizeInputReport(const uint8_t* got, size_t n, bool platformKeepsId, uint8_t* out, size_t length);

// A stick opened through hidapi (hidraw on Linux), read without waiting.
// `lockFd` is a descriptor of the hidraw node that holds this program's
// exclusive lock on the stick (-1 without one); it is closed with the stick.
class HidapiTransport final : public Transport {
public:
    HidapiTransport(hid_device_* device, bool numberedReports, int lockFd = -1);
    ~HidapiTransport() override;

    bool writeReport(const uint8_t* report, size_t length) override;
    int readReport(uint8_t* buffer, size_t length, std::string& error) override;
    void flushInput() override;
    bool sendFeatureReport(const uint8_t* report, size_t length, std::string& error) override;
    void close() override;
    bool gone() override;

private:
    hid_device_* device_;
    bool numbered_;
    int lockFd_;
};

// Enumerates HID interfaces of the sticks' vendor through hidapi and reads
// each device's report descriptor from its hidraw node.
class HidapiBackend final : public HidBackend {
public:
    HidapiBackend();
    ~HidapiBackend() override;
    std::vector<std::string> enumerate() override;
    std::unique_ptr<HidDevice> open(const std::string& path, OpenFailure& failure, std::string& reason) override;
};

} // namespace vs
