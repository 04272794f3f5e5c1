#include "core/warning_knobs.h"

#include "stick/stick_link.h"

#include <cctype>

namespace vs {

namespace {

bool hasWarn(const std::string& name)
{
    std::string lower = name;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.find("warn") != std::string::npos;
}

} // namespace

int FindWarningLevelKnobInChannel(const StickLink& link, int level, int stick, int channel)
{
    const StickRecord* s = link.slot(stick);
    if (!s || channel < 0 || channel >= static_cast<int>(s->Channels.size()))
        return -1;
    const std::string& label = s->Channels[static_cast<size_t>(channel)].Ylabel;
    int found = 0;
    for (int k = 0; k < s->nKnobs && k < static_cast<int>(s->Knobs.size()); ++k) {
        const std::string& name = s->Knobs[static_cast<size_t>(k)].Name;
        if (name.find(label) != std::string::npos && hasWarn(name) && ++found == level)
            return k;
    }
    return -1;
}

int FindWarningLevelKnob(const StickLink& link, int level, int stick)
{
    const StickRecord* s = link.slot(stick);
    if (!s)
        return -1;
    int result = -1;
    for (int c = 0; c < static_cast<int>(s->Channels.size()); ++c)
        if (const int k = FindWarningLevelKnobInChannel(link, level, stick, c); k >= 0)
            result = k;
    return result;
}

} // namespace vs
