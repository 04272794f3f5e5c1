#include "publish/metrics_snapshot.h"

#include "stick/channel_state.h"
#include "stick/stick_link.h"
#include "publish/exposition.h"
#include "publish/process_metrics.h"

#include <QString>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace vs {

namespace {

using prometheus::ClientMetric;
using prometheus::MetricFamily;
using prometheus::MetricType;

// Label values must be UTF-8; a stick may report any bytes.
std::string utf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toStdString();
}

// A reading as the stick means it: 15 significant digits, so that 46.4 %RH
// is the ratio 0.464, not 0.46400000000000002 (what 46.4 / 100 gives).
double reading(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", value);
    return std::strtod(text, nullptr);
}

ClientMetric gauge(std::vector<ClientMetric::Label> labels, double value)
{
    ClientMetric m;
    m.label = std::move(labels);
    m.gauge.value = value;
    return m;
}

} // namespace

std::string unitMetricName(const std::string& unit)
{
    std::string name;
    for (const char c : unit) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (std::isalnum(u) && u < 128)
            name += static_cast<char>(std::tolower(u));
        else if (c == '%')
            name += name.empty() || name.back() == '_' ? "percent" : "_percent";
        else if (!name.empty() && name.back() != '_')
            name += '_';
    }
    while (!name.empty() && name.back() == '_')
        name.pop_back();
    return "ventiscope_channel_" + (name.empty() ? std::string("value") : name);
}

std::vector<MetricFamily> metricFamilies(const StickLink& link, const MetricsCounters& counters,
                                         const MetricsOptions& options)
{
    MetricFamily co2{"ventiscope_co2_ppm", "Carbon dioxide measured by a stick, in parts per million.",
                     MetricType::Gauge, {}};
    MetricFamily temperature{"ventiscope_temperature_celsius", "Temperature measured by a stick, in degrees Celsius.",
                             MetricType::Gauge, {}};
    MetricFamily humidity{"ventiscope_relative_humidity_ratio",
                          "Relative humidity measured by a stick, as a ratio from 0 to 1.", MetricType::Gauge, {}};
    MetricFamily resistance{"ventiscope_resistance_ohms", "A resistance a stick's sensor reports, in ohms.",
                            MetricType::Gauge, {}};
    // Any other unit: a metric of its own, in the order they come.
    std::map<std::string, MetricFamily> others;
    MetricFamily warning{"ventiscope_channel_warning_state",
                         "How many of the channel's warning levels its last value reached (0, 1, 2).",
                         MetricType::Gauge, {}};
    MetricFamily info{"ventiscope_stick_info", "A stick's name and interface (the value is always 1).",
                      MetricType::Gauge, {}};
    MetricFamily open{"ventiscope_stick_open", "1 while the stick is open, 0 once it is gone.", MetricType::Gauge, {}};
    MetricFamily present{"ventiscope_stick_values_present",
                         "1 when the stick delivered values in the last sampling pass, 0 when it gave none.",
                         MetricType::Gauge, {}};
    MetricFamily lastRead{"ventiscope_stick_last_read_timestamp_seconds",
                          "When the stick's values were last read whole (Unix time).", MetricType::Gauge, {}};
    for (int i = 0; i < link.SlotsReserved; ++i) {
        const StickRecord* s = link.slot(i);
        if (!s || s->Interface.empty())
            continue;
        // Network sticks only when asked for, and only those that say who they are.
        if (s->Interface == "NW" && (!options.networkSticks || stickSerial(*s).empty()))
            continue;
        const std::vector<ClientMetric::Label> stickLabels = {{"serial", utf8(stickIdentity(*s, i))},
                                                              {"interface", utf8(s->Interface)}};
        info.metric.push_back(gauge({stickLabels[0], {"name", utf8(s->Name.empty() ? s->UsbProduct : s->Name)},
                                     stickLabels[1]},
                                    1));
        const bool isOpen = link.Nymstick_isOpen(i);
        open.metric.push_back(gauge(stickLabels, isOpen ? 1 : 0));
        if (!isOpen)
            continue;
        if (s->LastReadTime > 0)
            lastRead.metric.push_back(gauge(stickLabels, s->LastReadTime));
        present.metric.push_back(gauge(stickLabels, hasValues(*s) ? 1 : 0));
        for (int c = 0; c < s->nChannels && c < static_cast<int>(s->Channels.size()); ++c) {
            const ChannelRecord& ch = s->Channels[static_cast<size_t>(c)];
            // A channel without a value has no series: a dashboard shows a gap, an alert waits.
            if (!ch.HasValue)
                continue;
            const std::vector<ClientMetric::Label> labels = {
                stickLabels[0], {"channel", utf8(ch.ChID)}, {"label", utf8(ch.Ylabel)}};
            warning.metric.push_back(gauge(labels, channelWarningState(ch)));
            switch (channelQuantity(ch)) {
            case Quantity::CarbonDioxidePpm: co2.metric.push_back(gauge(labels, reading(ch.LastValue))); break;
            case Quantity::TemperatureCelsius:
                temperature.metric.push_back(gauge(labels, reading(ch.LastValue)));
                break;
            case Quantity::RelativeHumidityPercent:
                humidity.metric.push_back(gauge(labels, reading(ch.LastValue / 100.0)));
                break;
            case Quantity::Unknown: {
                std::string unit = ch.Yunit;
                for (char& u : unit)
                    u = static_cast<char>(std::tolower(static_cast<unsigned char>(u)));
                if (unit == "ohm" || unit == "ohms") {
                    resistance.metric.push_back(gauge(labels, reading(ch.LastValue)));
                    break;
                }
                const std::string name = unitMetricName(ch.Yunit);
                auto [it, added] = others.try_emplace(name);
                if (added)
                    it->second = MetricFamily{name, "Last value of a stick's channel in " +
                                                        (ch.Yunit.empty() ? std::string("no unit") : "\"" + utf8(ch.Yunit) + "\""),
                                              MetricType::Gauge, {}};
                it->second.metric.push_back(gauge(labels, reading(ch.LastValue)));
                break;
            }
            }
        }
    }
    std::vector<MetricFamily> all;
    all.push_back(singleMetric("ventiscope_build_info", "The program's version (the value is always 1).", MetricType::Gauge,
                         1, {{"version", options.version}}));
    all.push_back(singleMetric("ventiscope_node_info", "The node this copy is and its version (the value is always 1).",
                         MetricType::Gauge, 1, {{"node", options.node}, {"version", options.version}}));
    for (MetricFamily* f : {&co2, &temperature, &humidity, &resistance})
        if (!f->metric.empty())
            all.push_back(std::move(*f));
    for (auto& [name, family] : others)
        all.push_back(std::move(family));
    for (MetricFamily* f : {&warning, &info, &open, &present, &lastRead})
        if (!f->metric.empty())
            all.push_back(std::move(*f));
    all.push_back(singleMetric("ventiscope_sampling_passes_total", "Sampling passes that read at least one stick.",
                         MetricType::Counter, static_cast<double>(counters.passes)));
    all.push_back(singleMetric("ventiscope_reads_total", "Stick reads in sampling passes, failed or not.",
                         MetricType::Counter, static_cast<double>(counters.reads)));
    all.push_back(singleMetric("ventiscope_failed_reads_total", "Stick reads in sampling passes that failed.",
                         MetricType::Counter, static_cast<double>(counters.failedReads)));
    all.push_back(singleMetric("ventiscope_device_changes_total", "Device changes handled (sticks plugged in or out).",
                         MetricType::Counter, static_cast<double>(counters.deviceChanges)));
    all.push_back(singleMetric("ventiscope_last_pass_duration_seconds", "How long the last sampling pass's stick reads took.",
                         MetricType::Gauge, counters.lastPassSeconds));
    if (counters.historyRows >= 0) {
        all.push_back(singleMetric("ventiscope_history_rows_total", "Samples (one stick, one time) written to the history.",
                             MetricType::Counter, static_cast<double>(counters.historyRows)));
        all.push_back(singleMetric("ventiscope_history_write_seconds", "How long the history's last write took.",
                             MetricType::Gauge, counters.historyWriteSeconds));
    }
    for (MetricFamily& f : processMetrics())
        all.push_back(std::move(f));
    return all;
}

} // namespace vs
