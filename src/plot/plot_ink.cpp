#include "plot/plot_ink.h"

#include <algorithm>
#include <cmath>

namespace vs {

namespace {

double channel(int v)
{
    const double c = v / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(Rgb c)
{
    return 0.2126 * channel(c & 0xFF) + 0.7152 * channel((c >> 8) & 0xFF) + 0.0722 * channel((c >> 16) & 0xFF);
}

Rgb mix(Rgb c, int target, double t)
{
    auto one = [&](int v) { return static_cast<int>(std::lround(v + (target - v) * t)); };
    return rgb(one(c & 0xFF), one((c >> 8) & 0xFF), one((c >> 16) & 0xFF));
}

} // namespace

double contrastRatio(Rgb a, Rgb b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Rgb readableOn(Rgb colour, Rgb background, double least)
{
    colour &= 0xFFFFFF;
    const int target = luminance(background) < 0.18 ? 255 : 0;
    for (int step = 0; step <= 20; ++step) {
        const Rgb c = mix(colour, target, step / 20.0);
        if (contrastRatio(c, background) >= least)
            return c;
    }
    return rgb(target, target, target);
}

Rgb curveInk(const PlotInk& ink, Rgb colour)
{
    return ink.dark ? readableOn(colour, ink.back) : colour;
}

Rgb backgroundOf(const PlotRecord& plot, const PlotInk& ink)
{
    return ink.dark ? ink.back : plot.BackColor;
}

} // namespace vs
