#include "plot/plot_feed.h"

#include "common/numformat.h"
#include "stick/stick_link.h"

#include <algorithm>
#include <cmath>

namespace vs {

Rgb standardColor(int index)
{
    static const Rgb table[15] = {
        rgb(0, 0, 50),     rgb(0, 128, 0),   rgb(0, 0, 128),   rgb(128, 0, 0),   rgb(255, 128, 0),
        rgb(0, 128, 128),  rgb(128, 128, 0), rgb(192, 192, 192), rgb(128, 128, 128), rgb(0, 0, 255),
        rgb(0, 255, 0),    rgb(0, 255, 255), rgb(255, 0, 0),   rgb(255, 0, 255), rgb(255, 255, 0),
    };
    if (index >= 0 && index < 15)
        return table[index];
    return extraColor(index - 15);
}

Rgb extraColor(int n)
{
    // Hues a golden angle apart, saturated and dark enough to read on the
    // green-yellow-red background; the brightness alternates, so neighbours
    // differ twice over.
    const double hue = std::fmod(std::max(n, 0) * 137.50776405, 360.0) / 60.0;
    const double value = n % 2 == 0 ? 0.55 : 0.8;
    const double saturation = 0.9;
    const double c = value * saturation;
    const double x = c * (1 - std::fabs(std::fmod(hue, 2.0) - 1));
    const double m = value - c;
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(hue)) {
    case 0: r = c, g = x; break;
    case 1: r = x, g = c; break;
    case 2: g = c, b = x; break;
    case 3: g = x, b = c; break;
    case 4: r = x, b = c; break;
    default: r = c, b = x; break;
    }
    auto byte = [m](double v) { return static_cast<int>(std::lround((v + m) * 255)); };
    return rgb(byte(r), byte(g), byte(b));
}

Rgb plot_ColorMapping(int index, const ColorOverride& override)
{
    const Rgb standard = standardColor(index);
    if (override)
        if (const auto c = override(index, standard))
            return *c;
    return standard;
}

void plot_SetupChannels(PlotRecord& plot, const StickLink& link, const ColorOverride& override)
{
    for (int s = 0; s < link.SlotsReserved; ++s) {
        if (!link.Nymstick_isOpen(s))
            continue;
        const StickRecord& stick = *link.slot(s);
        const std::string prefix = link.SlotsReserved >= 2 ? std::to_string(s) + ":" : "";
        for (int j = 0; j < stick.nChannels && j < static_cast<int>(stick.Channels.size()); ++j) {
            const ChannelRecord& c = stick.Channels[static_cast<size_t>(j)];
            plot_AddCurve(plot, prefix + c.ChID, plot_ColorMapping(stick.nChannels * s + j, override));
            plot.CurveName.back() = c.Ylabel;
            plot.CurveUnit.back() = c.Yunit;
        }
    }
}

bool Nymdata2plot(PlotRecord& plot, const StickLink& link, const std::string& timeText, const ColorOverride& override)
{
    if (plot.nCurves == 0)
        plot_SetupChannels(plot, link, override);
    if (!plot.hasStore() || link.SlotsReserved <= 0)
        return false;
    plot.SampleText[static_cast<size_t>(plot.WriteIndex)] = timeText;

    int s = 0;
    int j = 0;
    for (int k = 0; k < plot.nCurves; ++k) {
        if (!link.Nymstick_isOpen(s)) {
            // A closed slot is passed over once per curve.
            if (++s == link.SlotsReserved)
                return false;
        }
        if (!link.Nymstick_isOpen(s))
            continue;
        const StickRecord& stick = *link.slot(s);
        if (j < static_cast<int>(stick.Channels.size())) {
            // Clamped so that the span of any two stored values still fits the
            // scale's 32 bits: every sample lands inside the plot area.
            const ChannelRecord& c = stick.Channels[static_cast<size_t>(j)];
            plot.at(plot.WriteIndex, k) =
                c.HasValue && std::isfinite(c.LastValue)
                    ? static_cast<int32_t>(roundHalfEven(std::clamp(c.LastValue, -kLargestPlotValue, kLargestPlotValue) * 100))
                    : kNoValue;
        }
        if (++j >= stick.nChannels) {
            j = 0;
            if (++s == link.SlotsReserved)
                s = 0;
        }
    }

    if (++plot.WriteIndex == plot.RecordLength)
        plot.WriteIndex = 0;
    const int w = plot.WriteIndex;
    if (w >= 1 && plot.SampleText[static_cast<size_t>(w)].empty()) {
        for (int i = w; i < plot.RecordLength; ++i) {
            for (int k = 0; k < plot.nCurves; ++k)
                plot.at(i, k) = plot.at(w - 1, k);
            plot.SampleText[static_cast<size_t>(i)] = " ";
        }
    }
    return true;
}

void InitWarningLevels(PlotRecord& plot, const StickLink& link, int channel, int stick)
{
    if (!link.Nymstick_isOpen(stick))
        return;
    const StickRecord& s = *link.slot(stick);
    if (channel < 0 || channel >= static_cast<int>(s.Channels.size()))
        return;
    const ChannelRecord& c = s.Channels[static_cast<size_t>(channel)];
    if (c.nWarn <= 0)
        return;
    plot.WarnLevels.assign(c.WarnLevels.begin(), c.WarnLevels.begin() + std::min<size_t>(c.WarnLevels.size(), c.nWarn));
    // The curves are every channel of every open slot in order.
    int curve = channel;
    for (int i = 0; i < stick; ++i)
        if (link.Nymstick_isOpen(i))
            curve += std::min<int>(link.slot(i)->nChannels, static_cast<int>(link.slot(i)->Channels.size()));
    plot.WarnCurve = curve;
}

} // namespace vs
