#include "stick/stick_info.h"

#include "common/numformat.h"
#include "stick/exchange.h"
#include "stick/stick_link.h"

namespace vs {

std::string StickDescription(const StickLink& link, int stick)
{
    const std::string nl = "\r\n";
    std::string out = "Device " + std::to_string(stick) + ":" + nl;
    if (!link.Nymstick_isOpen(stick))
        return out + "Not connected" + nl;
    const StickRecord& s = *link.slot(stick);
    out += "Name: " + s.Name + nl;
    out += "Firmware: " + s.Firmware + nl;
    out += "Protocol: " + std::to_string(s.ProtocolVersion) + nl;
    out += "Hardware: " + s.Hardware + nl;
    out += "Processor: " + s.mcu + nl;
    if (s.IdFields.size() > 3) {
        out += "Serial number: " + s.IdFields[3] + nl;
        out += "Web address: " + s.IdFields[0] + nl;
        out += "Plot title: " + s.IdFields[2] + nl;
    }
    out += nl;
    out += "Channels: " + std::to_string(s.nChannels) + nl;
    for (size_t i = 0; i < s.Channels.size() && static_cast<int>(i) < s.nChannels; ++i)
        out += "... Channel " + s.Channels[i].ChID + ":" + s.Channels[i].Ylabel + nl;
    out += "Knobs: " + std::to_string(s.nKnobs) + nl;
    for (size_t i = 0; i < s.Knobs.size() && static_cast<int>(i) < s.nKnobs; ++i)
        out += "... Knob " + s.Knobs[i].Name + ":" + generalNumber(s.Knobs[i].Value) + nl;
    out += "Flags: " + std::to_string(s.Flags.size()) + nl;
    for (const FlagRecord& f : s.Flags)
        out += "... " + f.Name + "=" + f.Value + nl;
    out += nl;
    return out;
}

std::string sensorInformation(StickLink& link, const std::string& version, const std::string& extra)
{
    // No empty brackets when there is no build text.
    std::string out = "Application Version: " + version + (extra.empty() ? "" : " (" + extra + ")") + "\r\n\r\n";
    for (int i = 0; i < link.SlotsReserved; ++i) {
        out += StickDescription(link, i);
        if (link.TraceLevel >= 210) {
            nym_ask(link, "*TRG", i);
            out += "nym_ask('*TRG'):" + link.TraceBuffer;
        }
    }
    return out;
}

} // namespace vs
