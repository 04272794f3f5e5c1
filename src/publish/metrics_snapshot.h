#pragma once
#include <prometheus/metric_family.h>

#include <string>
#include <vector>

namespace vs {

class StickLink;

// What the monitor counted since it started.
struct MetricsCounters {
    long passes = 0;
    long failedReads = 0;
    long deviceChanges = 0;
    double lastPassSeconds = 0;
    // The history's samples written and its last write's duration (-1: no history).
    long historyRows = -1;
    double historyWriteSeconds = 0;
};

// Which sticks are exported, and the program's version for the build info.
struct MetricsOptions {
    bool networkSticks = false; // sticks known through the network link
    std::string version;
};

// Every series the metrics endpoint exposes, as the sticks and counters are
// now. Sticks are labelled by serial number. Channels of a known quantity
// have a metric of their own in its base unit (ventiscope_co2_ppm,
// ventiscope_temperature_celsius, ventiscope_relative_humidity_ratio); the
// others share ventiscope_channel_value with their unit as a label.
std::vector<prometheus::MetricFamily> metricFamilies(const StickLink& link, const MetricsCounters& counters,
                                                     const MetricsOptions& options);

} // namespace vs
