#pragma once
#include <QString>

#include <string>
#include <vector>

namespace vs {

class StickLink;
class TraceLog;
class Prompts;
class Settings;
class Face;
struct PlotRecord;
class SamplingLoop;

// What follows a change of the set of sticks: configure the new sticks,
// offer emulation when none is left (the face answers), rebuild the plot's
// curves and warning levels and re-create its store.
class DeviceCallback {
public:
    DeviceCallback(StickLink& link, const TraceLog& trace, Prompts& prompts, const Settings& settings,
                   Face& face, PlotRecord& plot, SamplingLoop& sampling);

    // The text shown while no stick is present.
    QString waitingText = "No sensors found";
    // The program started without a stick while "Live data" was ticked: the
    // first stick to come (plugged in, or listed by a network server) starts
    // sampling.
    bool startOnArrival = false;
    // Status lines for the sticks that left, said with the change.
    std::vector<std::string> departed;

    void DevChange_callback();

private:
    void sayDeparted();
    // A newly configured stick whose serial number a closed slot holds goes
    // back into that slot; returns the slot it is in now.
    int takeBackOldSlot(int stick);

    StickLink& link_;
    const TraceLog& trace_;
    Prompts& prompts_;
    const Settings& settings_;
    Face& face_;
    PlotRecord& plot_;
    SamplingLoop& sampling_;
};

} // namespace vs
