#include "publish/exposition.h"

#include <charconv>
#include <cmath>

namespace vs {

namespace {

using prometheus::MetricType;

const char* typeName(MetricType type)
{
    switch (type) {
    case MetricType::Counter: return "counter";
    case MetricType::Gauge: return "gauge";
    case MetricType::Summary: return "summary";
    case MetricType::Histogram: return "histogram";
    case MetricType::Untyped: break;
    }
    return "untyped";
}

// Backslash and newline always; the double quote inside label values.
void escaped(std::string& out, const std::string& text, bool quote)
{
    for (const char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '"' && quote)
            out += "\\\"";
        else
            out += c;
    }
}

} // namespace

std::string shortestNumber(double value)
{
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value > 0 ? "+Inf" : "-Inf";
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    return ec == std::errc() ? std::string(text, end) : std::string("NaN");
}

std::string exposition(const std::vector<prometheus::MetricFamily>& families)
{
    std::string out;
    for (const prometheus::MetricFamily& f : families) {
        out += "# HELP " + f.name + " ";
        escaped(out, f.help, false);
        out += "\n# TYPE " + f.name + " " + typeName(f.type) + "\n";
        for (const prometheus::ClientMetric& m : f.metric) {
            out += f.name;
            if (!m.label.empty()) {
                out += '{';
                for (size_t i = 0; i < m.label.size(); ++i) {
                    out += (i ? ",": "") + m.label[i].name + "=\"";
                    escaped(out, m.label[i].value, true);
                    out += '"';
                }
                out += '}';
            }
            const double value = f.type == MetricType::Counter ? m.counter.value : f.type == MetricType::Untyped
                                                                                    ? m.untyped.value
                                                                                    : m.gauge.value;
            out += " " + shortestNumber(value) + "\n";
        }
    }
    return out;
}

prometheus::MetricFamily singleMetric(const char* name, const char* help, prometheus::MetricType type, double value,
                                      std::vector<prometheus::ClientMetric::Label> labels)
{
    prometheus::ClientMetric m;
    m.label = std::move(labels);
    if (type == prometheus::MetricType::Counter)
        m.counter.value = value;
    else
        m.gauge.value = value;
    return prometheus::MetricFamily{name, help, type, {m}};
}

} // namespace vs
