#pragma once
// What the single-scale drawing and the lanes share: one drawing's derived
// values and the pieces both draw the same way.
#include "plot/plot_model.h"
#include "plot/plot_raster.h"
#include "plot/plot_renderer.h"

#include <QColor>
#include <QFontMetrics>

#include <algorithm>
#include <cmath>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

class QPainter;

namespace vs {

inline int roundi(double v)
{
    return static_cast<int>(std::nearbyint(v));
}

// Nearest whole number, halves to even, without a library call: this runs
// once per stored value on every redraw.
inline int roundToInt(double v)
{
#ifdef __SSE2__
    return _mm_cvtsd_si32(_mm_set_sd(v));
#else
    return static_cast<int>(std::nearbyint(v));
#endif
}

struct Frame {
    const PlotRecord& plot;
    const PlotSettings& s;
    int W = 0, H = 0;
    int top = 0, left = 0, bottom = 0, right = 0;
    double ys = 0, xs = 0;
    double maxValue = 0; // the stored value at `top`
    int yL0 = 0, yL1 = 0;
    int b = 0;
    int h = 0;
    int nEnabled = 0;
    bool levelBar = false;
    PlotSpan span{}; // the positions shown, as drawn
    QColor text{}, axis{}, grid{}, pale{}, back{};

    int Y(double stored) const
    {
        const double y = maxValue * ys + top - stored * ys;
        return roundToInt(std::clamp(y, -2.0 * H, 3.0 * H));
    }
    int X(double position) const { return roundi((position - span.first) * xs + left); }
    int plotRight() const { return W - right; }
    int plotBottom() const { return H - bottom; }
    int slotAt(int position) const
    {
        return s.PlotScroll ? (plot.WriteIndex + position) % plot.RecordLength : position;
    }
    bool fullColour(int slot) const { return s.PlotScroll || slot < plot.WriteIndex; }
    QRgb curveColour(int curve) const;
};

// The frame of a drawing before anything is drawn: margins, scales, span and
// ink. The legend's rows are made room for above the plot.
struct LegendLayout {
    struct Entry {
        int curve = 0;
        QString text;
        int x = 0, row = 0, width = 0;
    };
    std::vector<Entry> entries;
    int rows = 0;
    int rowHeight = 0;
};
LegendLayout legendLayout(const PlotRecord& plot, const QFontMetrics& fm, const Frame& f);

// The x and ring slot of every shown position, in order.
struct Positions {
    std::vector<int> x, slot;
};
Positions positionsOf(const Frame& f);

// The three warning bands from x1 to x2.
void threeBands(Raster& r, const Frame& f, int x1, int x2, int blue);
// The bands and markers from x1 to x2 dimmed toward the background on the dark look.
void dimBands(Raster& r, const Frame& f, int x1, int x2);
void drawLegendAndTitle(QPainter& p, const Frame& f, const LegendLayout& legend, PlotGeometry& g);
void drawTimeLabels(QPainter& p, const Frame& f);
// Draws curve k with the frame's scale; returns its height at the last
// shown position (kGapY: none).
int drawCurve(Raster& raster, QPainter& p, const Frame& f, const Positions& at, int k, CurveDrawing how);
// The value at the right end of each enabled curve of `curves` (-1: all).
void drawEndValues(QPainter& p, const Frame& f, const Positions& at, const std::vector<int>& curves,
                   const std::vector<int>& lastY);
// "Paused view - double-click to follow" while the view does not follow.
void drawPausedNote(QPainter& p, const Frame& f);

struct Lane;
// Lanes by unit: one scale per unit, stacked (plot_lanes.cpp).
void drawLanes(QPainter& p, Raster& raster, Frame& f, PlotGeometry& g, CurveDrawing how, const std::vector<Lane>& lanes);
// The room the lanes' tick labels and units need left of the plot.
int laneAxisWidth(const std::vector<Lane>& lanes, const QFontMetrics& fm);

} // namespace vs
