#pragma once
#include <prometheus/metric_family.h>

#include <vector>

namespace vs {

// The process's own figures, read from /proc as Prometheus' client
// libraries name them: process_start_time_seconds, process_cpu_seconds_total,
// process_resident_memory_bytes, process_virtual_memory_bytes,
// process_open_fds and process_max_fds. A file that cannot be read leaves
// its series out.
std::vector<prometheus::MetricFamily> processMetrics();

} // namespace vs
