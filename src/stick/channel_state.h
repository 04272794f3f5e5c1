#pragma once
#include <string>

namespace vs {

struct StickRecord;
struct ChannelRecord;

// A stick's serial number: the fourth identity field without "S/N:", empty
// when the stick reports none.
std::string stickSerial(const StickRecord& stick);
// " (S/N 1234)" for status lines, "" without a serial number.
std::string stickLabel(const StickRecord& stick);

// How many of the channel's warning levels its last value reached (0, 1, 2).
int channelWarningState(const ChannelRecord& channel);

} // namespace vs
