#include "core/history_feed.h"

#include "stick/channel_state.h"
#include "stick/stick_link.h"

#include <QDateTime>

#include <charconv>
#include <cmath>
#include <limits>

namespace vs {

namespace {

SeriesIdentity identityOf(const StickRecord& s, int slot)
{
    SeriesIdentity who;
    who.serial = QString::fromStdString(stickIdentity(s, slot));
    who.name = QString::fromStdString(s.Name);
    for (int c = 0; c < s.nChannels && c < static_cast<int>(s.Channels.size()); ++c) {
        const ChannelRecord& ch = s.Channels[static_cast<size_t>(c)];
        who.labels << QString::fromStdString(ch.Ylabel);
        who.units << QString::fromStdString(ch.Yunit);
        // The warning levels the stick has now, for the daily summary's time above them.
        QStringList levels;
        for (int l = 0; l < ch.nWarn && l < static_cast<int>(ch.WarnLevels.size()); ++l)
            levels << QString::number(ch.WarnLevels[static_cast<size_t>(l)], 'g', 15);
        who.levels << levels.join(' ');
    }
    return who;
}

// A reading worked out from the stick's raw value (49.300000000000004) is
// kept as the number it stands for (49.3): ten significant digits are more
// than any stick resolves, and the history then stores it compactly and
// exports it as the value log writes it.
double tidy(double v)
{
    if (!std::isfinite(v))
        return v;
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, v, std::chars_format::general, 10);
    double back = v;
    std::from_chars(text, written.ptr, back);
    return back;
}

} // namespace

std::vector<HistorySample> passSamples(const StickLink& link, int64_t timeMs)
{
    std::vector<HistorySample> out;
    for (int i = 0; i < link.SlotsReserved; ++i) {
        const StickRecord* s = link.slot(i);
        // Only what this copy measured: network sticks are kept by the copy
        // that reads them, emulated sticks measure nothing; a failed read
        // keeps nothing.
        if (!s || !link.Nymstick_isOpen(i) || s->Interface == "NW" || s->Interface == "EMU" || !s->Configured ||
            !s->LastError.empty() || !hasValues(*s))
            continue;
        HistorySample sample{identityOf(*s, i), timeMs, {}};
        for (int c = 0; c < sample.who.channels(); ++c) {
            const ChannelRecord& ch = s->Channels[static_cast<size_t>(c)];
            sample.values.push_back(ch.HasValue ? tidy(ch.LastValue) : std::numeric_limits<double>::quiet_NaN());
        }
        out.push_back(std::move(sample));
    }
    return out;
}

HistorySample flashSample(const StickLink& link, int stick, int64_t timeMs)
{
    const StickRecord& s = *link.slot(stick);
    HistorySample sample{identityOf(s, stick), timeMs, {}};
    sample.values.assign(static_cast<size_t>(sample.who.channels()), std::numeric_limits<double>::quiet_NaN());
    if (!sample.values.empty())
        sample.values[0] = tidy(s.Channels[0].LastValue);
    return sample;
}

} // namespace vs
