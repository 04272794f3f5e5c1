#pragma once
#include <QString>

#include <functional>

namespace vs {

class StickLink;
class TraceLog;
class Prompts;
class Settings;
class StatusFace;
struct PlotRecord;
class SamplingLoop;

// What the window does after the set of sticks changed: configure the new
// sticks, offer emulation when none is left, rebuild the plot's curves and
// warning levels and re-create its store.
class DeviceCallback {
public:
    DeviceCallback(StickLink& link, const TraceLog& trace, Prompts& prompts, const Settings& settings,
                   StatusFace& face, PlotRecord& plot, SamplingLoop& sampling);

    // The text shown while no stick is present.
    QString waitingText = "No sensors found";
    std::function<void(bool)> showFlashMenu;
    std::function<void()> clearMarkers;
    std::function<void()> refreshWindows; // plot settings and air state windows
    // The program started without a stick while "Live data" was ticked: the
    // first stick to come (plugged in, or listed by a network server) starts
    // sampling.
    bool startOnArrival = false;
    // With no stick left, the user is asked whether to emulate two; a service
    // waits for a stick instead.
    bool offerEmulation = true;

    void DevChange_callback();

private:
    // A newly configured stick whose serial number a closed slot holds goes
    // back into that slot; returns the slot it is in now.
    int takeBackOldSlot(int stick);

    StickLink& link_;
    const TraceLog& trace_;
    Prompts& prompts_;
    const Settings& settings_;
    StatusFace& face_;
    PlotRecord& plot_;
    SamplingLoop& sampling_;
};

} // namespace vs
