#pragma once
#include <prometheus/metric_family.h>

#include <string>
#include <vector>

namespace vs {

// The text exposition format (version 0.0.4): "# HELP", "# TYPE" and one
// line per series, label values escaped, every number in the shortest form
// that reads back as the same double ("0.464", not "0.4640000000000001").
std::string exposition(const std::vector<prometheus::MetricFamily>& families);

// A family of one series: a counter or a gauge with its value and labels.
prometheus::MetricFamily singleMetric(const char* name, const char* help, prometheus::MetricType type, double value,
                                      std::vector<prometheus::ClientMetric::Label> labels = {});

// The shortest text of a double that reads back as it ("NaN", "+Inf", "-Inf").
std::string shortestNumber(double value);

} // namespace vs
