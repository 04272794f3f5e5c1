#pragma once
#include <prometheus/metric_family.h>

#include <string>
#include <vector>

namespace vs {

class StickLink;

// What the monitor counted since it started.
struct MetricsCounters {
    long passes = 0;
    long reads = 0;
    long failedReads = 0;
    long deviceChanges = 0;
    double lastPassSeconds = 0;
    // The history's samples written and its last write's duration (-1: no history).
    long historyRows = -1;
    double historyWriteSeconds = 0;
};

// Which sticks are exported, the program's version and the node (the MQTT
// node id, also without MQTT) for the node info.
struct MetricsOptions {
    bool networkSticks = false; // sticks known through the network link
    std::string version;
    std::string node;
};

// Every series the metrics endpoint exposes, as the sticks and counters are
// now, with the process's own figures. Sticks are labelled by serial number;
// ventiscope_stick_info carries each stick's name, ventiscope_node_info the
// node, for joins. One metric per unit: channels of a known quantity have a
// metric of their own in its base unit (ventiscope_co2_ppm,
// ventiscope_temperature_celsius, ventiscope_relative_humidity_ratio,
// ventiscope_resistance_ohms); any other unit gets one named after it
// (ventiscope_channel_<unit>, ventiscope_channel_value without a unit).
std::vector<prometheus::MetricFamily> metricFamilies(const StickLink& link, const MetricsCounters& counters,
                                                     const MetricsOptions& options);

// The metric of a channel whose quantity is not known, by its unit:
// "ventiscope_channel_" and the unit in lower-case letters, digits and "_"
// ("%" is "percent"); "ventiscope_channel_value" without a unit.
std::string unitMetricName(const std::string& unit);

} // namespace vs
