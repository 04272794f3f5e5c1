#include "core/device_callback.h"

#include "common/prompts.h"
#include "flash/flash_available.h"
#include "core/face.h"
#include "core/sampling_loop.h"
#include "plot/plot_feed.h"
#include "settings/plot_settings_io.h"
#include "settings/settings.h"
#include "stick/channel_state.h"
#include "stick/configure_stick.h"
#include "stick/stick_link.h"
#include "stick/trace_log.h"

#include <utility>

namespace vs {

DeviceCallback::DeviceCallback(StickLink& link, const TraceLog& trace, Prompts& prompts, const Settings& settings,
                               Face& face, PlotRecord& plot, SamplingLoop& sampling)
    : link_(link), trace_(trace), prompts_(prompts), settings_(settings), face_(face), plot_(plot), sampling_(sampling)
{
}

void DeviceCallback::DevChange_callback()
{
    // No pass runs meanwhile (the exchanges below let ticks through), and a
    // running timer keeps its phase.
    SamplingLoop::Hold hold(sampling_);
    link_.DebugOut("Re-initializing the plot", 1);
    trace_.LogTrace("Form1:DevChange_callback():");

    if (link_.Nymstick_CountConnected() == 0) {
        trace_.LogTrace(" :Nymstick_CountConnected = 0");
        face_.print(QString(QChar(12)));
        sayDeparted();
        plot_.nMarkers = 0;
        plot_.Markers.assign(1, 0);
        if (face_.emulationOffered() && !settings_.flag(keys::DisableEmulation) &&
            prompts_.askYesNo("No NYM stick found. Emulate?", Prompts::Icon::Critical)) {
            link_.Nymstick_AddEmulated();
            link_.Nymstick_AddEmulated();
        } else {
            face_.print(waitingText + "\n");
            face_.setHoldCount(0);
            return;
        }
    }

    trace_.LogTrace(" :Stick configure:");
    if (!face_.statusShown())
        face_.print(QString(QChar(12)));
    sayDeparted();
    const StatusSink print = [this](const std::string& text) { face_.print(QString::fromStdString(text)); };
    // A stick that cannot be configured (pulled meanwhile, or answering
    // nonsense) stays unconfigured and is never read; the others are
    // configured and sampled. The errors are left in StickErrorText.
    std::string errors;
    for (int i = 0; i < link_.SlotsReserved; ++i) {
        if (!link_.Nymstick_isOpen(i))
            continue;
        trace_.LogTrace(" :Nymstick_isOpen(" + std::to_string(i) + ") is open");
        if (link_.slot(i)->Configured || link_.slot(i)->Interface == "NW")
            continue;
        trace_.LogTrace(" :ConfigureStick(" + std::to_string(i) + "):");
        ConfigureStick(link_, trace_, print, i);
        if (!link_.StickErrorText.empty()) {
            errors += (errors.empty() ? "" : "; ") + link_.StickErrorText;
            continue;
        }
        const int slot = takeBackOldSlot(i);
        face_.showFlashMenu(nymstick_CheckFlashAvailable(link_, slot));
    }
    link_.StickErrorText = errors;
    int first = -1;
    for (int i = 0; i < link_.SlotsReserved && first < 0; ++i)
        if (link_.Nymstick_isOpen(i))
            first = i;
    if (face_.holdCount() < 2)
        face_.setHoldCount(8);
    const std::string summary = "First connected stick: " + std::to_string(first) +
                                ", number of sticks (mem reserved): " + std::to_string(link_.SlotsReserved) +
                                ", Nymstick_CountConnected = " + std::to_string(link_.Nymstick_CountConnected());
    trace_.LogTrace(summary);
    link_.DebugOut(summary, 1);

    trace_.LogTrace(" :Init plot:");
    PlotRecord& plot = plot_;
    plot_Init(plot);
    plot_SetupChannels(plot, link_, storedColours(settings_));
    applyCurveEnables(plot, settings_);
    face_.sticksChanged();

    trace_.LogTrace(" :Init warning levels:");
    if (first >= 0 && link_.slot(first)->nChannels > 0)
        InitWarningLevels(plot, link_, 0, first);

    trace_.LogTrace(" :Init rec len:");
    plot.RecordLength = loadRecordLength(settings_);
    plot_SetupStore(plot);
    face_.storeReset();
    if (std::exchange(startOnArrival, false))
        sampling_.setRunning(true);
}

void DeviceCallback::sayDeparted()
{
    for (const std::string& line : std::exchange(departed, {})) {
        face_.print(QString::fromStdString(line + "\n"));
        trace_.LogTrace(line);
    }
}

int DeviceCallback::takeBackOldSlot(int stick)
{
    const StickRecord* s = link_.slot(stick);
    const std::string serial = s ? stickSerial(*s) : std::string();
    if (serial.empty())
        return stick;
    for (int j = 0; j < link_.SlotsReserved; ++j) {
        const StickRecord* old = link_.slot(j);
        if (j == stick || link_.Nymstick_isOpen(j) || old->Interface != "USB" || stickSerial(*old) != serial)
            continue;
        // The stick came back (on another node): it takes its old slot, and
        // with it its curves and its place in the log.
        trace_.LogTrace(" :stick " + serial + " back in slot " + std::to_string(j));
        link_.moveSlot(stick, j);
        return j;
    }
    return stick;
}

} // namespace vs
