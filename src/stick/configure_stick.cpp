#include "stick/configure_stick.h"

#include "stick/config_read.h"
#include "stick/stick_link.h"
#include "stick/trace_log.h"

namespace vs {

void ConfigureStick(StickLink& link, const TraceLog& trace, const StatusSink& print, int stick)
{
    if (!link.Nymstick_isOpen(stick))
        return;
    const std::string idx = std::to_string(stick);
    print("Sensor " + idx + ": Reading...");
    trace.LogTrace("Form1:ConfigureStick(" + idx + "):is open, reading Nymstick_GetConfig()");
    if (Nymstick_GetConfig(link, stick)) {
        const StickRecord& s = *link.slot(stick);
        const std::string serial = s.IdFields.size() > 3 ? s.IdFields[3] : std::string();
        const std::string line = serial + " v" + s.Firmware;
        print(line + "\n");
        trace.LogTrace(line);
    } else {
        print("..Error reading configuration\n");
    }
    if (!link.StickErrorText.empty()) {
        const std::string error = "ERROR: Nym Stick " + idx + ":" + link.StickErrorText;
        link.DebugOut(error, 1);
        trace.LogTrace(error);
        if (const StickRecord* s = link.slot(stick))
            trace.LogTrace(s->IdnReply);
    }
}

} // namespace vs
