#include "plot/plot_markers.h"

#include "plot/plot_raster.h"

#include <algorithm>
#include <cmath>

namespace vs {

namespace {

int roundi(double v)
{
    return static_cast<int>(std::nearbyint(v));
}

// The marked columns as merged pixel intervals (pieces overlap; their union is drawn).
std::vector<std::pair<int, int>> markedColumns(const MarkerFrame& f)
{
    std::vector<std::pair<int, int>> xs;
    for (const auto& [first, last] : plot_MarkedSpans(f.plot, f.scroll))
        xs.emplace_back(roundi((first - 0.5) * f.xs + f.left), roundi((last + 0.5) * f.xs + f.left));
    std::sort(xs.begin(), xs.end());
    std::vector<std::pair<int, int>> merged;
    for (const auto& iv : xs) {
        if (!merged.empty() && iv.first <= merged.back().second + 1)
            merged.back().second = std::max(merged.back().second, iv.second);
        else
            merged.push_back(iv);
    }
    return merged;
}

void gradientColumns(Raster& r, const MarkerFrame& f)
{
    const auto columns = markedColumns(f);
    if (columns.empty())
        return;
    auto rowFill = [&](int y, QRgb colour) {
        for (const auto& [x1, x2] : columns)
            r.fillRect(x1, y, x2, y, colour);
    };
    const double step = f.bottom == f.yL0 ? 1.0 : 255.0 / (f.bottom - f.yL0);
    double red = 0;
    for (int y = f.bottom; y >= f.yL0; --y) {
        rowFill(y, qRgb(std::min(255, roundi(red)), 255, f.blue));
        red += step;
    }
    const int d = f.yL0 - f.yL1;
    if (d > 0) {
        int a = d;
        for (int y = f.yL0; y >= f.yL1; --y, --a)
            rowFill(y, qRgb(255, plot_LogRamp(static_cast<double>(a) / d), f.blue));
    }
    for (const auto& [x1, x2] : columns)
        r.fillRect(x1, f.yL1, x2 - 1, f.top, qRgb(255, 0, f.blue));
}

void solidBoxes(Raster& r, const MarkerFrame& f)
{
    for (int i = 0; i < f.plot.nMarkers && i < static_cast<int>(f.plot.Markers.size()); ++i) {
        const int m = f.plot.Markers[static_cast<size_t>(i)];
        const int p = markerPosition(f.plot, f.scroll, m);
        const int x1 = roundi((p - 0.5) * f.xs + f.left);
        const int x2 = roundi((p + 0.5) * f.xs + f.left);
        // A marker from the previous sweep shows in its paler blue.
        const int blue = !f.scroll && m >= f.plot.WriteIndex ? 255 : f.blue;
        r.fillRect(x1, f.yL0, x2, f.bottom, qRgb(0, 255, blue));
        r.fillRect(x1, f.yL1, x2, f.yL0, qRgb(255, 255, blue));
        r.fillRect(x1, f.top, x2, f.yL1, qRgb(255, 0, blue));
    }
}

} // namespace

MarkerFrame markerGeometry(const PlotRecord& plot, const PlotSettings& s, double xs, int left, int top, int bottom,
                           int yL0, int yL1, int b)
{
    MarkerFrame f{plot};
    f.scroll = s.PlotScroll;
    f.gradientColumns = s.PlotGradientWarnings;
    f.xs = xs;
    f.left = left;
    f.top = top;
    f.bottom = bottom;
    f.yL0 = yL0;
    f.yL1 = yL1;
    f.blue = b;
    if (s.PlotBkgGradient)
        f.blue = b == 0 ? 200 : (b >= 128 ? b - 128 : std::min(255, b + 128));
    return f;
}

int markerPosition(const PlotRecord& plot, bool scroll, int m)
{
    if (!scroll)
        return m;
    return m >= plot.WriteIndex ? m - plot.WriteIndex : m - plot.WriteIndex + plot.RecordLength;
}

std::vector<std::pair<int, int>> plot_MarkedSpans(const PlotRecord& plot, bool scroll)
{
    std::vector<std::pair<int, int>> pieces;
    int previous = -2;
    bool open = false;
    int first = 0;
    const int n = std::min<int>(plot.nMarkers, static_cast<int>(plot.Markers.size()));
    for (int i = 0; i < n; ++i) {
        const int p = markerPosition(plot, scroll, plot.Markers[static_cast<size_t>(i)]);
        if (p != previous && p != previous + 1) {
            if (open) {
                pieces.emplace_back(first, previous);
                open = false;
            }
            pieces.emplace_back(p, p);
        } else if (!open) {
            open = true;
            first = previous;
        }
        previous = p;
    }
    if (open)
        pieces.emplace_back(first, previous);
    return pieces;
}

void drawMarkers(Raster& raster, const MarkerFrame& f)
{
    if (f.gradientColumns)
        gradientColumns(raster, f);
    else
        solidBoxes(raster, f);
}

} // namespace vs
