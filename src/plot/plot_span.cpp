#include "plot/plot_span.h"

#include <algorithm>
#include <cmath>

namespace vs {

PlotSpan shownSpan(PlotSpan span, int n)
{
    if (span.following() || span.count >= n)
        return {0, std::max(n, 1)};
    const int count = std::max(1, span.count);
    return {std::clamp(span.first, 0, std::max(0, n - count)), count};
}

PlotSpan zoomSpan(PlotSpan span, int n, double at, double factor)
{
    const PlotSpan now = shownSpan(span, n);
    if (n <= kLeastSpan || !(factor > 0))
        return span;
    const int count = std::clamp(static_cast<int>(std::lround(now.count * factor)), kLeastSpan, n);
    if (count >= n)
        return {};
    at = std::clamp(at, static_cast<double>(now.first), static_cast<double>(now.first + now.count));
    const double first = at - (at - now.first) * count / now.count;
    return {std::clamp(static_cast<int>(std::lround(first)), 0, n - count), count};
}

PlotSpan panSpan(PlotSpan span, int n, int by)
{
    if (span.following())
        return span;
    const PlotSpan now = shownSpan(span, n);
    return {std::clamp(now.first + by, 0, n - now.count), now.count};
}

PlotSpan spanAfterSamples(PlotSpan span, int n, bool scroll, int added)
{
    if (span.following() || !scroll || added <= 0)
        return span;
    return panSpan(span, n, -std::min(added, n));
}

} // namespace vs
