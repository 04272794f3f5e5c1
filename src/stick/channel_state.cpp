#include "stick/channel_state.h"

#include "stick/records.h"

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

int channelWarningState(const ChannelRecord& c)
{
    int state = 0;
    for (int j = 0; j < c.nWarn && j < static_cast<int>(c.WarnLevels.size()); ++j)
        if (c.LastValue >= c.WarnLevels[static_cast<size_t>(j)])
            state = j + 1;
    return state;
}

} // namespace vs
