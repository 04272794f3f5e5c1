// Lanes by unit, the legend that wraps, the zoomed span and the dark ink.
#include "plot/plot_ink.h"
#include "plot/plot_lanes.h"
#include "plot/plot_renderer.h"
#include "plot/plot_span.h"
#include "plot/plot_text.h"
#include "plot_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace {

using vstest::PlotFixture;

// The highest and lowest row with the colour in the plot (below y0, right of x0).
std::pair<int, int> rowsOf(const QImage& image, QRgb colour, int x0, int y0)
{
    int top = image.height(), bottom = -1;
    for (int y = y0; y < image.height(); ++y)
        for (int x = x0; x < image.width() - 60; ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    return {top, bottom};
}

TEST(PlotLanes, EachUnitHasItsLaneAndEveryCurveStaysInsideItsOwn)
{
    PlotFixture f;
    const int co2 = f.addStick({"CO2"}, "ppm");
    const int temp = f.addStick({"Temp"}, "C");
    const int hum = f.addStick({"Hum"}, "%RH");
    f.build(200);
    f.plot.CurveColor = {vs::rgb(200, 0, 0), vs::rgb(0, 0, 200), vs::rgb(150, 0, 150)};
    f.settings.PlotLanes = true;
    f.settings.PlotBkgGradient = false;
    f.settings.ShowYvalues = false;
    for (int i = 0; i < 200; ++i) {
        f.setValues(co2, {400 + 8 * i});
        f.setValues(temp, {21 + std::sin(i / 20.0)});
        f.setValues(hum, {45 + (i % 7)});
        vs::Nymdata2plot(f.plot, f.link, "t");
    }
    QImage image = vs::makePlotImage(800, 600);
    vs::PlotGeometry g;
    vs::plot_AutoScale(f.plot, f.settings);
    ASSERT_TRUE(vs::plot_Draw(f.plot, f.settings, image, g));
    const auto lanes = vs::plot_Lanes(f.plot, f.settings, g.MarginTop, 600 - g.MarginBottom);
    ASSERT_EQ(lanes.size(), 3u);
    for (size_t i = 0; i < lanes.size(); ++i) {
        const vs::Lane& lane = lanes[i];
        SCOPED_TRACE(lane.unit);
        ASSERT_EQ(lane.curves, std::vector<int>{static_cast<int>(i)});
        if (i > 0)
            EXPECT_GE(lane.top, lanes[i - 1].bottom + vs::kLaneGap - 1);
        // Round ticks within the lane's range, which holds every value.
        ASSERT_GE(lane.ticks.size(), 2u);
        const double step = lane.ticks[1] - lane.ticks[0];
        for (double t : lane.ticks) {
            EXPECT_NEAR(std::remainder(t, step), 0, 1e-9);
            EXPECT_TRUE(t >= lane.lo - 1e-9 && t <= lane.hi + 1e-9);
        }
        const double mantissa = step / std::pow(10, std::floor(std::log10(step)));
        EXPECT_TRUE(std::set<double>({1, 2, 5}).count(std::round(mantissa))) << step;
        const auto [top, bottom] = rowsOf(image, vs::toQRgb(f.plot.CurveColor[i]), g.MarginLeft, g.MarginTop);
        EXPECT_GE(top, lane.top - 1);
        EXPECT_LE(bottom, lane.bottom + 1);
        // Temperature's two degrees fill its lane rather than lying flat.
        EXPECT_GT(bottom - top, (lane.bottom - lane.top) / 2);
    }
    EXPECT_LE(lanes[0].lo, 400);
    EXPECT_GE(lanes[0].hi, 400 + 8 * 199);
}

TEST(PlotLanes, FortyLegendEntriesWrapInsideEightHundredPixels)
{
    PlotFixture f;
    for (int s = 0; s < 8; ++s)
        f.addStick({"CO2eq", "Temp", "Humidity", "Rh", "Rs"});
    f.build(100);
    f.setValues(0, {1, 2, 3, 4, 5});
    vs::Nymdata2plot(f.plot, f.link, "t");
    QImage image = vs::makePlotImage(800, 600);
    vs::PlotGeometry g;
    vs::plot_AutoScale(f.plot, f.settings);
    ASSERT_TRUE(vs::plot_Draw(f.plot, f.settings, image, g));
    ASSERT_EQ(g.Legend.size(), 40u);
    std::set<int> rows;
    for (size_t i = 0; i < g.Legend.size(); ++i) {
        const vs::LegendSpot& e = g.Legend[i];
        const QRect r(e.x, e.y, e.width, e.height);
        EXPECT_TRUE(image.rect().contains(r)) << i;
        EXPECT_LT(r.bottom(), g.MarginTop) << "above the plot";
        for (size_t j = 0; j < i; ++j) {
            const vs::LegendSpot& o = g.Legend[j];
            EXPECT_FALSE(r.intersects(QRect(o.x, o.y, o.width, o.height))) << i << " over " << j;
        }
        rows.insert(e.y);
    }
    EXPECT_GT(rows.size(), 3u);
}

TEST(PlotLanes, ZoomKeepsThePointerPlacePansWithinTheRecordAndMovesWithNewSamples)
{
    const int n = 1000;
    vs::PlotSpan s = vs::zoomSpan({}, n, 250, 0.5);
    EXPECT_EQ(s.count, 500);
    EXPECT_EQ(s.first, 125); // 250 stays at a quarter of the width
    EXPECT_EQ(vs::panSpan(s, n, -1000).first, 0);
    EXPECT_EQ(vs::panSpan(s, n, 1000).first, 500);
    // A scrolling plot's samples move back: so does the view, to the oldest.
    EXPECT_EQ(vs::spanAfterSamples(s, n, true, 25).first, 100);
    EXPECT_EQ(vs::spanAfterSamples(s, n, true, 400).first, 0);
    EXPECT_EQ(vs::spanAfterSamples(s, n, false, 25).first, 125);
    // Never fewer than the least span; zooming out to the whole record follows again.
    EXPECT_EQ(vs::zoomSpan(s, n, 0, 0.001).count, vs::kLeastSpan);
    EXPECT_TRUE(vs::zoomSpan(s, n, 0, 4).following());
}

TEST(PlotLanes, TheDarkInkKeepsEveryCurveReadableAndTheLightOneChangesNothing)
{
    const vs::PlotInk dark = vs::darkInk();
    for (int i = 0; i < 40; ++i) {
        const vs::Rgb c = vs::plot_ColorMapping(i);
        EXPECT_GE(vs::contrastRatio(vs::curveInk(dark, c), dark.back), 3.0) << i;
        EXPECT_EQ(vs::curveInk(vs::lightInk(), c), c);
    }
    EXPECT_GE(vs::contrastRatio(dark.text, dark.back), 4.5);
    // Drawn dark: a dark background, the curve in its readable colour.
    PlotFixture f;
    const int s = f.addStick({"a", "b"});
    f.build(100);
    f.plot.CurveColor = {vs::rgb(0, 0, 128), vs::rgb(0, 128, 0)};
    f.settings.Ink = dark;
    f.settings.PlotBkgGradient = false;
    for (int i = 0; i < 100; ++i) {
        f.setValues(s, {i % 10 * 1.0, 5});
        vs::Nymdata2plot(f.plot, f.link, "t");
    }
    QImage image = vs::makePlotImage(600, 400);
    vs::PlotGeometry g;
    vs::plot_AutoScale(f.plot, f.settings);
    ASSERT_TRUE(vs::plot_Draw(f.plot, f.settings, image, g));
    EXPECT_EQ(image.pixel(g.MarginLeft + 5, g.MarginTop + 5) & 0xFFFFFF, vs::toQRgb(dark.back) & 0xFFFFFF);
    const QRgb drawn = vs::toQRgb(vs::curveInk(dark, f.plot.CurveColor[0]));
    EXPECT_NE(drawn & 0xFFFFFF, vs::toQRgb(f.plot.CurveColor[0]) & 0xFFFFFF);
    EXPECT_GT(rowsOf(image, drawn, g.MarginLeft, g.MarginTop).second, 0) << "the curve is drawn in its readable colour";
}

} // namespace
