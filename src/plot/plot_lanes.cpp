#include "plot/plot_lanes.h"

#include "common/numformat.h"
#include "plot/plot_frame.h"
#include "plot/plot_markers.h"
#include "plot/plot_span.h"
#include "plot/plot_text.h"
#include "plot/plot_ticks.h"

#include <QPainter>

#include <climits>
#include <limits>

namespace vs {

namespace {

// The value range of a lane's curves over the shown positions, widened to
// round ticks.
void scaleLane(Lane& lane, const PlotRecord& plot, const PlotSettings& s, int most)
{
    const PlotSpan span = shownSpan(s.View, plot.RecordLength);
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    const int n = plot.RecordLength;
    const int firstSlot = s.PlotScroll ? (plot.WriteIndex + span.first) % n : span.first;
    for (int k : lane.curves) {
        int32_t least = INT32_MAX, most = INT32_MIN;
        const int32_t* data = plot.Data.data() + k;
        for (int j = 0, slot = firstSlot; j < span.count; ++j) {
            const int32_t v = data[static_cast<size_t>(slot) * plot.nCurves];
            if (v != kNoValue) {
                least = std::min(least, v);
                most = std::max(most, v);
            }
            if (++slot == n)
                slot = 0;
        }
        if (least <= most) {
            lo = std::min(lo, least / 100.0);
            hi = std::max(hi, most / 100.0);
        }
    }
    const bool ownsLevels = plot.WarnLevels.size() >= 2 && plot.WarnCurve >= 0 &&
                            std::find(lane.curves.begin(), lane.curves.end(), plot.WarnCurve) != lane.curves.end();
    if (!s.PlotAutoScale && ownsLevels) {
        lo = std::min(lo, 0.0);
        hi = std::max(hi, plot.WarnLevels[1] * 1.1);
    }
    if (!(lo <= hi)) { // no value at all
        lo = 0;
        hi = 1;
    }
    if (hi - lo < 1e-9) {
        const double pad = std::max(1.0, std::abs(lo) * 0.05);
        lo -= pad;
        hi += pad;
    }
    const double step = roundStep(lo, hi, most);
    if (step > 0) {
        lo = std::floor(lo / step + 1e-9) * step;
        hi = std::ceil(hi / step - 1e-9) * step;
    }
    lane.lo = lo;
    lane.hi = hi;
    lane.ticks = roundTicks(lo, hi, most);
}

} // namespace

std::vector<Lane> plot_Lanes(const PlotRecord& plot, const PlotSettings& s, int top, int bottom)
{
    std::vector<Lane> lanes;
    if (!plot.hasStore())
        return lanes;
    for (int k = 0; k < plot.nCurves; ++k) {
        if (!plot.CurveEnabled[static_cast<size_t>(k)])
            continue;
        const std::string& unit = plot.CurveUnit[static_cast<size_t>(k)];
        auto it = std::find_if(lanes.begin(), lanes.end(), [&](const Lane& l) { return l.unit == unit; });
        if (it == lanes.end()) {
            lanes.emplace_back();
            lanes.back().unit = unit;
            it = lanes.end() - 1;
        }
        it->curves.push_back(k);
    }
    const int n = static_cast<int>(lanes.size());
    if (n == 0)
        return lanes;
    const double height = (bottom - top - (n - 1) * kLaneGap) / static_cast<double>(n);
    for (int i = 0; i < n; ++i) {
        Lane& lane = lanes[static_cast<size_t>(i)];
        lane.top = roundi(top + i * (height + kLaneGap));
        lane.bottom = std::max(lane.top + 1, roundi(top + i * (height + kLaneGap) + height));
        scaleLane(lane, plot, s, std::clamp((lane.bottom - lane.top) / 28, 2, 8));
    }
    return lanes;
}

namespace {

int tickDecimals(const Lane& lane)
{
    const double step = lane.ticks.size() >= 2 ? lane.ticks[1] - lane.ticks[0] : 1;
    return step >= 1 ? 0 : std::min(6, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
}

int widestTick(const Lane& lane, const QFontMetrics& fm)
{
    int widest = 0;
    for (double t : lane.ticks)
        widest = std::max(widest, fm.horizontalAdvance(QString::number(t, 'f', tickDecimals(lane))));
    return widest;
}

} // namespace

int laneAxisWidth(const std::vector<Lane>& lanes, const QFontMetrics& fm)
{
    int widest = 0;
    for (const Lane& lane : lanes)
        widest = std::max(widest, widestTick(lane, fm));
    return widest + fm.height() + 14;
}

void drawLanes(QPainter& p, Raster& raster, Frame& f, PlotGeometry& g, CurveDrawing how, const std::vector<Lane>& lanes)
{
    const PlotRecord& plot = f.plot;
    const QFontMetrics fm = p.fontMetrics();
    const Positions at = positionsOf(f);
    std::vector<int> lastY(static_cast<size_t>(plot.nCurves), kGapY);
    g.Graph_LastZeroLine = f.plotBottom();
    const int outerTop = f.top, outerBottom = f.bottom;
    for (const Lane& lane : lanes) {
        // The frame of this lane: its own scale between its own edges.
        f.top = lane.top;
        f.bottom = f.H - lane.bottom;
        f.ys = (lane.bottom - lane.top) / ((lane.hi - lane.lo) * 100);
        f.maxValue = lane.hi * 100;
        const bool owns = plot.WarnLevels.size() >= 2 &&
                          std::find(lane.curves.begin(), lane.curves.end(), plot.WarnCurve) != lane.curves.end();
        if (owns) {
            f.yL0 = std::clamp(f.Y(plot.WarnLevels[0] * 100), f.top, f.plotBottom());
            f.yL1 = std::clamp(f.Y(plot.WarnLevels[1] * 100), f.top, f.plotBottom());
            if (f.s.PlotBkgGradient)
                threeBands(raster, f, f.left, f.plotRight(), f.b);
            if (plot.nMarkers >= 1) {
                raster.clipColumns(f.left, f.plotRight());
                drawMarkers(raster,
                            markerGeometry(plot, f.s, f.xs, f.X(0), f.top, f.plotBottom(), f.yL0, f.yL1, f.b));
                raster.clipColumns(0, f.W - 1);
            }
            if (f.s.PlotBkgGradient || plot.nMarkers >= 1)
                dimBands(raster, f, f.left, f.plotRight());
            p.setPen(f.grid);
            for (int y : {f.yL0, f.yL1})
                if (f.top < y && y <= f.plotBottom())
                    p.drawLine(f.left, y, f.plotRight(), y);
        }
        p.setPen(f.axis);
        p.drawRect(QRect(QPoint(f.left, f.top), QPoint(f.plotRight(), f.plotBottom())).adjusted(0, 0, -1, -1));
        // Round ticks, each with its value, and the unit at the axis.
        const int decimals = tickDecimals(lane);
        QPen dashed(f.grid);
        dashed.setStyle(Qt::DashLine);
        for (double t : lane.ticks) {
            const int y = f.Y(t * 100);
            p.setPen(dashed);
            p.drawLine(f.left - 4, y, f.plotRight(), y);
            p.setPen(f.axis);
            const QString label = QString::number(t, 'f', decimals);
            drawTextAt(p, f.left - fm.horizontalAdvance(label) - 6, y - fm.height() / 2, label);
        }
        if (!lane.unit.empty()) {
            p.save();
            p.setPen(f.text);
            const QString unit = QString::fromStdString(lane.unit);
            p.translate(std::max(2, f.left - 10 - widestTick(lane, fm) - fm.height()),
                        (f.top + f.plotBottom() + fm.horizontalAdvance(unit)) / 2);
            p.rotate(-90);
            drawTextAt(p, 0, 0, unit);
            p.restore();
        }
        raster.clipColumns(f.left, f.plotRight());
        for (int k : lane.curves)
            lastY[static_cast<size_t>(k)] = drawCurve(raster, p, f, at, k, how);
        raster.clipColumns(0, f.W - 1);
        drawEndValues(p, f, at, lane.curves, lastY);
    }
    f.top = outerTop;
    f.bottom = outerBottom;
    drawTimeLabels(p, f);
}

} // namespace vs
