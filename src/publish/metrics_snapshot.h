#pragma once
#include <prometheus/metric_family.h>

#include <vector>

namespace vs {

class StickLink;

// What the monitor counted since it started.
struct MetricsCounters {
    long passes = 0;
    long failedReads = 0;
    long deviceChanges = 0;
    double lastPassSeconds = 0;
};

// Every series the metrics endpoint exposes, as the sticks and counters are
// now: each open stick's channels (last value and warning state), each
// slot's open state, and the counters. Network sticks carry interface="NW".
std::vector<prometheus::MetricFamily> metricFamilies(const StickLink& link, const MetricsCounters& counters);

} // namespace vs
