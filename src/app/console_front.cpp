#include "app/console_front.h"

#include "common/numformat.h"
#include "stick/configure_stick.h"
#include "stick/stick_info.h"
#include "stick/stick_link.h"
#include "stick/value_read.h"

#include <ostream>

namespace vs {

int runConsoleFront(StickLink& link, const TraceLog& trace, int samples, int intervalMs, std::ostream& out)
{
    const StatusSink print = [&out](const std::string& text) {
        out << text;
        if (text.empty() || text.back() != '\n')
            out << '\n';
    };
    for (int i = 0; i < link.SlotsReserved; ++i)
        if (link.Nymstick_isOpen(i) && link.slot(i)->nChannels == 0)
            ConfigureStick(link, trace, print, i);
    for (int i = 0; i < link.SlotsReserved; ++i) {
        std::string text = StickDescription(link, i);
        std::erase(text, '\r');
        out << text;
    }
    for (int n = 0; n < samples; ++n) {
        if (n > 0)
            link.wait(intervalMs);
        for (int i = 0; i < link.SlotsReserved; ++i) {
            if (!link.Nymstick_isOpen(i) || link.slot(i)->nChannels == 0)
                continue;
            Nymstick_ReadPV(link, i);
            const StickRecord& s = *link.slot(i);
            out << "Sensor " << i << ":";
            for (const ChannelRecord& c : s.Channels)
                out << "  " << c.Ylabel << "=" << formatNumber(c.LastValue, "###0.0#") << " " << c.Yunit;
            if (!link.StickErrorText.empty())
                out << "  (" << link.StickErrorText << ")";
            out << '\n';
        }
        out.flush();
    }
    return 0;
}

} // namespace vs
