#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vs {

// What the program needs to know of a HID device's report descriptor: the
// longest input, output and feature report in bytes, each counting the
// report-ID byte (as the reports travel here, byte 0 is always the ID), and
// the top-level usage for the trace.
struct HidCaps {
    int32_t InputReportByteLength = 0;
    int32_t OutputReportByteLength = 0;
    int32_t FeatureReportByteLength = 0;
    uint16_t UsagePage = 0;
    uint16_t Usage = 0;
    int NumberLinkCollectionNodes = 0;
    bool usesReportIds = false;
};

// Parses a report descriptor; malformed or truncated items end the parse
// with what was gathered so far.
HidCaps parseReportDescriptor(const uint8_t* descriptor, size_t length);
inline HidCaps parseReportDescriptor(const std::vector<uint8_t>& d)
{
    return parseReportDescriptor(d.data(), d.size());
}

// The trace lines of a device's capabilities ("  Usage: " ...).
std::vector<std::string> capsDebugLines(const HidCaps& caps);

} // namespace vs
