#include "publish/metrics_snapshot.h"

#include "stick/channel_state.h"
#include "stick/stick_link.h"

#include <QString>

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

ClientMetric gauge(std::vector<ClientMetric::Label> labels, double value)
{
    ClientMetric m;
    m.label = std::move(labels);
    m.gauge.value = value;
    return m;
}

MetricFamily single(const char* name, const char* help, MetricType type, double value,
                    std::vector<ClientMetric::Label> labels = {})
{
    ClientMetric m;
    m.label = std::move(labels);
    if (type == MetricType::Counter)
        m.counter.value = value;
    else
        m.gauge.value = value;
    return MetricFamily{name, help, type, {m}};
}

} // namespace

std::vector<MetricFamily> metricFamilies(const StickLink& link, const MetricsCounters& counters,
                                         const MetricsOptions& options)
{
    MetricFamily co2{"ventiscope_co2_ppm", "Carbon dioxide measured by a stick, in parts per million.",
                     MetricType::Gauge, {}};
    MetricFamily temperature{"ventiscope_temperature_celsius", "Temperature measured by a stick, in degrees Celsius.",
                             MetricType::Gauge, {}};
    MetricFamily humidity{"ventiscope_relative_humidity_ratio",
                          "Relative humidity measured by a stick, as a ratio from 0 to 1.", MetricType::Gauge, {}};
    MetricFamily other{"ventiscope_channel_value",
                       "Last value of a stick's channel of no known quantity, in the unit the label names.",
                       MetricType::Gauge, {}};
    MetricFamily warning{"ventiscope_channel_warning_state",
                         "How many of the channel's warning levels its last value reached (0, 1, 2).",
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
            std::vector<ClientMetric::Label> labels = {
                stickLabels[0], {"channel", utf8(ch.ChID)}, {"label", utf8(ch.Ylabel)}};
            warning.metric.push_back(gauge(labels, channelWarningState(ch)));
            switch (channelQuantity(ch)) {
            case Quantity::CarbonDioxidePpm: co2.metric.push_back(gauge(labels, ch.LastValue)); break;
            case Quantity::TemperatureCelsius: temperature.metric.push_back(gauge(labels, ch.LastValue)); break;
            case Quantity::RelativeHumidityPercent:
                humidity.metric.push_back(gauge(labels, ch.LastValue / 100.0));
                break;
            case Quantity::Unknown:
                labels.push_back({"unit", utf8(ch.Yunit)});
                other.metric.push_back(gauge(labels, ch.LastValue));
                break;
            }
        }
    }
    std::vector<MetricFamily> all;
    all.push_back(single("ventiscope_build_info", "The program's version (the value is always 1).", MetricType::Gauge,
                         1, {{"version", options.version}}));
    for (MetricFamily* f : {&co2, &temperature, &humidity, &other, &warning, &open, &present, &lastRead})
        if (!f->metric.empty())
            all.push_back(std::move(*f));
    all.push_back(single("ventiscope_sampling_passes_total", "Sampling passes that read at least one stick.",
                         MetricType::Counter, static_cast<double>(counters.passes)));
    all.push_back(single("ventiscope_failed_reads_total", "Stick reads in sampling passes that failed.",
                         MetricType::Counter, static_cast<double>(counters.failedReads)));
    all.push_back(single("ventiscope_device_changes_total", "Device changes handled (sticks plugged in or out).",
                         MetricType::Counter, static_cast<double>(counters.deviceChanges)));
    all.push_back(single("ventiscope_last_pass_duration_seconds", "How long the last sampling pass's stick reads took.",
                         MetricType::Gauge, counters.lastPassSeconds));
    if (counters.historyRows >= 0) {
        all.push_back(single("ventiscope_history_rows_total", "Samples (one stick, one time) written to the history.",
                             MetricType::Counter, static_cast<double>(counters.historyRows)));
        all.push_back(single("ventiscope_history_write_seconds", "How long the history's last write took.",
                             MetricType::Gauge, counters.historyWriteSeconds));
    }
    return all;
}

} // namespace vs
