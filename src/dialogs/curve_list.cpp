#include "dialogs/curve_list.h"

#include "common/numformat.h"
#include "stick/stick_link.h"

#include <cmath>

namespace vs {

std::vector<CurveEntry> curveEntries(const StickLink& link)
{
    int valid = 0;
    for (int i = 0; i < link.SlotsReserved; ++i)
        valid += link.Nymstick_isOpen(i) ? 1 : 0;
    std::vector<CurveEntry> out;
    int curve = 0;
    for (int s = 0; s < link.SlotsReserved; ++s) {
        const StickRecord* r = link.slot(s);
        if (!r || !link.Nymstick_isOpen(s))
            continue;
        for (int c = 0; c < r->nChannels && c < static_cast<int>(r->Channels.size()); ++c) {
            const ChannelRecord& ch = r->Channels[static_cast<size_t>(c)];
            out.push_back({(valid >= 2 ? std::to_string(s) + ":" : std::string()) + ch.ChID + ":" + ch.Ylabel, curve++, s});
        }
    }
    return out;
}

double shortestInterval(double lastPassSeconds)
{
    if (!(lastPassSeconds > 0))
        return 0.004;
    return std::floor(lastPassSeconds / 0.004 + 1e-9) * 0.004;
}

std::string intervalRangeText(double lastPassSeconds)
{
    return "(" + formatNumber(shortestInterval(lastPassSeconds), "#0.00") + "s..." +
           formatNumber(kLongestInterval, "#0.00") + "s)";
}

} // namespace vs
