#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace vs {

// The report-level link to one open stick. Every report buffer starts with the
// report ID (always 0) at byte 0; the payload follows from byte 1.
class Transport {
public:
    virtual ~Transport() = default;
    // Writes one whole output report; false when the write failed.
    virtual bool writeReport(const uint8_t* report, size_t length) = 0;
    // Reads one queued input report into buffer[0 .. length-1] without waiting.
    // Returns the number of bytes read, or 0 with `error` set to the system's
    // text when no report is queued or the read failed.
    virtual int readReport(uint8_t* buffer, size_t length, std::string& error) = 0;
    // Discards every input report queued for the device.
    virtual void flushInput() = 0;
    // Sends one feature report; false with `error` set to the system's text
    // when it failed.
    virtual bool sendFeatureReport(const uint8_t* report, size_t length, std::string& error) = 0;
    virtual void close() = 0;
    // True once the device behind this handle has left the system (its node
    // is gone, even when a new node of the same name has come since).
    virtual bool gone() { return false; }
};

} // namespace vs
