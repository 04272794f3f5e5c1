#pragma once
#include <cstdint>
#include <vector>

namespace vs {

class StickLink;

// One entry of the records window: its length in values and up to 64
// thumbnail points with their range. Entry 0 is "ALL" (no points).
struct RecordEntry {
    int32_t length = 0;
    std::vector<uint16_t> points;
    int minimum = 65535;
    int maximum = -65535;
};

constexpr int kThumbnailPoints = 64;

// Asks the stick for its recordings: "ALL" and one entry per recording, each
// recording averaged down to at most 64 points (a 65535 ends its data). Leaves
// the stick's read mode and averaging at the last recording asked.
std::vector<RecordEntry> readRecordList(StickLink& link, int stick);

} // namespace vs
