#include "stick/channel_state.h"

#include "stick/records.h"

#include <cctype>

namespace vs {

namespace {
std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}
} // namespace

std::string stickSerial(const StickRecord& s)
{
    if (s.IdFields.size() <= 3)
        return {};
    std::string serial = trimmed(s.IdFields[3]);
    if (serial.rfind("S/N:", 0) == 0)
        serial = serial.substr(4);
    return serial;
}

std::string stickLabel(const StickRecord& stick)
{
    const std::string serial = stickSerial(stick);
    return serial.empty() ? std::string() : " (S/N " + serial + ")";
}

bool hasValues(const StickRecord& stick)
{
    for (int c = 0; c < stick.nChannels && c < static_cast<int>(stick.Channels.size()); ++c)
        if (stick.Channels[static_cast<size_t>(c)].HasValue)
            return true;
    return false;
}

std::string stickIdentity(const StickRecord& stick, int slot)
{
    const std::string serial = stickSerial(stick);
    return serial.empty() ? stick.Interface + "-" + std::to_string(slot) : serial;
}

Quantity channelQuantity(const ChannelRecord& c)
{
    auto lower = [](std::string s) {
        for (char& ch : s)
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        return s;
    };
    const std::string label = lower(trimmed(c.Ylabel));
    const std::string unit = lower(trimmed(c.Yunit));
    if (label.rfind("co2", 0) == 0 && unit == "ppm")
        return Quantity::CarbonDioxidePpm;
    if (label.rfind("temp", 0) == 0 && (unit == "c" || unit == "\xc2\xb0" "c"))
        return Quantity::TemperatureCelsius;
    if (label.rfind("humid", 0) == 0 && (unit == "%" || unit == "%rh"))
        return Quantity::RelativeHumidityPercent;
    return Quantity::Unknown;
}

int channelWarningState(const ChannelRecord& c)
{
    int state = 0;
    for (int j = 0; j < c.nWarn && j < static_cast<int>(c.WarnLevels.size()); ++j)
        if (c.LastValue >= c.WarnLevels[static_cast<size_t>(j)])
            state = j + 1;
    return state;
}

} // namespace vs
