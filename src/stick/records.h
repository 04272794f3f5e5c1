#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vs {

class Transport;

// One measurement channel, from one 9-field group of the "WFMPRE?" reply.
struct ChannelRecord {
    std::string ChID;
    std::string Ylabel;
    std::string Yunit;
    double Factor = 0;
    int32_t Min = 0;
    int32_t Max = 0;
    int32_t RawOffset = 0;
    double ValueOffset = 0;
    int16_t TypeCode = 0;
    int16_t nWarn = 0;
    std::vector<double> WarnLevels;
    double LastValue = 0;
    // The stick delivered LastValue in this sampling pass (a network stick:
    // an update since the previous pass). Without it the channel has no
    // value, whatever LastValue still holds.
    bool HasValue = false;
};

// One adjustable setting of a stick, from one 7-field group of "KNOBPRE?".
// Its display value is Value / Divisor - Offset.
struct KnobRecord {
    std::string Name;
    std::string Unit;
    double Divisor = 0;
    double Min = 0;
    double Max = 0;
    double Offset = 0;
    double Value = 0;
};

// One switchable state of a stick. Value holds the "FLAGGET?" field with "&"
// appended (so "&h0000&" reads as an unsigned number), or the decimal text of
// a binary "TRF?" value.
struct FlagRecord {
    std::string Name;
    std::string Value;
};

// One slot of the stick table: a real ("USB"), emulated ("EMU") or network
// ("NW") stick, how it is reached and what it said about itself.
struct StickRecord {
    std::string Interface;
    int16_t Seen = 0;
    std::string DevicePath;
    // Non-zero while open. For a USB stick both refer to the one open Device;
    // an emulated or network stick holds 1 in each.
    intptr_t HIDHandle = 0;
    intptr_t ReadHandle = 0;
    std::shared_ptr<Transport> Device;
    int32_t InputReportLength = 0;
    int32_t OutputReportLength = 0;
    int32_t FeatureReportLength = 0;
    std::vector<uint8_t> InputReport;
    std::vector<uint8_t> OutputReport;
    std::vector<uint8_t> FeatureReport;
    int16_t PollDelayMs = 0;
    std::string mcu;
    std::string PlotTitle;
    int16_t ProtocolVersion = 0;
    std::string IdnReply;
    std::string Name;
    std::string Hardware;
    std::string Firmware;
    std::vector<std::string> IdFields;
    int16_t nChannels = 0;
    int16_t nKnobs = 0;
    std::vector<ChannelRecord> Channels;
    std::vector<KnobRecord> Knobs;
    std::vector<FlagRecord> Flags;
    double ConfiguredAt = 0;
    // Set once the whole configuration was read; only such a slot is sampled.
    bool Configured = false;
    // The error of this stick's last read in a sampling pass ("" when it
    // succeeded), so that one stick's success never hides another's failure.
    std::string LastError;
    // When its values were last read whole (seconds since 1970, 0: never).
    double LastReadTime = 0;
    // The maker and product names the device reports over USB.
    std::string UsbManufacturer;
    std::string UsbProduct;
};

// The escaper's memory between reports: binary data bytes still expected and
// the hexadecimal digits collected so far.
struct EscapeDecoder {
    uint16_t pending = 0;
    std::string digits;
};

struct ExchangeState {
    bool busy = false;           // a text exchange is running further up the call stack
    EscapeDecoder reportDecoder; // for received reports
    EscapeDecoder textDecoder;   // for texts (the network link)
};

} // namespace vs
