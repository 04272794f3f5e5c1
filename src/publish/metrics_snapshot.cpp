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

MetricFamily single(const char* name, const char* help, MetricType type, double value)
{
    ClientMetric m;
    if (type == MetricType::Counter)
        m.counter.value = value;
    else
        m.gauge.value = value;
    return MetricFamily{name, help, type, {m}};
}

} // namespace

std::vector<MetricFamily> metricFamilies(const StickLink& link, const MetricsCounters& counters)
{
    MetricFamily value{"ventiscope_channel_value", "Last value of a stick's channel, in the channel's unit.",
                       MetricType::Gauge, {}};
    MetricFamily warning{"ventiscope_channel_warning_state",
                         "How many of the channel's warning levels its last value reached (0, 1, 2).",
                         MetricType::Gauge, {}};
    MetricFamily open{"ventiscope_stick_open", "1 while the stick is open, 0 once it is gone.", MetricType::Gauge, {}};
    for (int i = 0; i < link.SlotsReserved; ++i) {
        const StickRecord* s = link.slot(i);
        if (!s)
            continue;
        const std::vector<ClientMetric::Label> stickLabels = {
            {"stick", std::to_string(i)}, {"serial", utf8(stickSerial(*s))}, {"interface", utf8(s->Interface)}};
        const bool isOpen = link.Nymstick_isOpen(i);
        open.metric.push_back(gauge(stickLabels, isOpen ? 1 : 0));
        if (!isOpen)
            continue;
        for (int c = 0; c < s->nChannels && c < static_cast<int>(s->Channels.size()); ++c) {
            const ChannelRecord& ch = s->Channels[static_cast<size_t>(c)];
            std::vector<ClientMetric::Label> labels = stickLabels;
            labels.push_back({"channel", utf8(ch.ChID)});
            labels.push_back({"label", utf8(ch.Ylabel)});
            labels.push_back({"unit", utf8(ch.Yunit)});
            value.metric.push_back(gauge(labels, ch.LastValue));
            warning.metric.push_back(gauge(labels, channelWarningState(ch)));
        }
    }
    std::vector<MetricFamily> all{std::move(value), std::move(warning), std::move(open)};
    all.push_back(single("ventiscope_sampling_passes_total", "Sampling passes that read at least one stick.",
                         MetricType::Counter, static_cast<double>(counters.passes)));
    all.push_back(single("ventiscope_failed_reads_total", "Stick reads in sampling passes that failed.",
                         MetricType::Counter, static_cast<double>(counters.failedReads)));
    all.push_back(single("ventiscope_device_changes_total", "Device changes handled (sticks plugged in or out).",
                         MetricType::Counter, static_cast<double>(counters.deviceChanges)));
    all.push_back(single("ventiscope_last_pass_duration_seconds", "How long the last sampling pass's stick reads took.",
                         MetricType::Gauge, counters.lastPassSeconds));
    return all;
}

} // namespace vs
