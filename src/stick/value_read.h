#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace vs {

class StickLink;

// Little-endian unsigned readers; the position always advances. A value whose
// bytes lie beyond the buffer gives no value.
std::optional<uint32_t> GetU16(const std::vector<uint8_t>& buffer, size_t& position);
std::optional<uint32_t> GetU32(const std::vector<uint8_t>& buffer, size_t& position);

// Input reports needed for `payloadBytes`: payload / report payload, rounded half up.
int reportCount(int payloadBytes, int inputReportLength);

// LastValue = (raw - RawOffset) x Factor + ValueOffset. A channel the stick
// does not have is left alone.
void Nymstick_SetChannelRaw(StickLink& link, int stick, int channel, double raw);

// Channels 0..2 as 16-bit, 3 and 4 as 32-bit values from `position` on; a
// 32-bit value above 42949672 is not shown.
void ParseBinaryValues(StickLink& link, int stick, const std::vector<uint8_t>& buffer, size_t& position);

// Reads the current values by the stick's protocol generation: "*TRG" text
// (0), "*TR" binary (1 to 4), "TRF?" binary with flag values (5 and above).
// 1 when values were read or a binary exchange was attempted, 0 otherwise.
int16_t Nymstick_ReadPV(StickLink& link, int stick);

} // namespace vs
