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
// Whether any of the stick's channels has a value in this pass.
bool hasValues(const StickRecord& stick);

// Who a stick is wherever it leaves the program (publishing, metrics): its
// serial number; a stick that reports none (an emulated one) is named by its
// kind and slot ("EMU-0").
std::string stickIdentity(const StickRecord& stick, int slot);
// How many of the channel's warning levels its last value reached (0, 1, 2).
int channelWarningState(const ChannelRecord& channel);

// What a channel measures, where its label and unit plainly say so.
enum class Quantity { Unknown, CarbonDioxidePpm, TemperatureCelsius, RelativeHumidityPercent };
Quantity channelQuantity(const ChannelRecord& channel);

} // namespace vs
