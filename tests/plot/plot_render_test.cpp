#include "plot/plot_markers.h"
#include "plot/plot_renderer.h"
#include "plot_fixture.h"

#include <gtest/gtest.h>

namespace {

using vstest::PlotFixture;

// A plot with one curve of flat data, drawn at 800 x 500 with plain margins.
struct RenderFixture : PlotFixture {
    QImage image = vs::makePlotImage(800, 500);
    vs::PlotGeometry g;
    int stick = 0;

    RenderFixture()
    {
        stick = addStick({"CO2"});
        build(100);
        settings.TitleLines[0] = "";
        settings.ShowYvalues = false;
    }
    void feed(double value, int passes)
    {
        setValues(stick, {value});
        for (int i = 0; i < passes; ++i)
            vs::Nymdata2plot(plot, link, "10:00:00");
    }
    void draw()
    {
        vs::plot_AutoScale(plot, settings);
        ASSERT_TRUE(vs::plot_Draw(plot, settings, image, g));
    }
    int X(double slot) const { return static_cast<int>(std::nearbyint(slot * g.Graph_LastXscale + g.MarginLeft)); }
    QColor at(int x, int y) const { return image.pixelColor(x, y); }
    // Time-label lines cross the plot: true when any pixel of the slot's column has the colour.
    bool columnHas(double slot, int y, QColor colour) const
    {
        for (int x = X(slot - 0.4); x <= X(slot + 0.4); ++x)
            if (at(x, y) == colour)
                return true;
        return false;
    }
};

TEST(PlotRender, GradientZonesSitBetweenTheLevelsAndNothingIsDrawnWithoutRoom)
{
    RenderFixture f;
    f.settings.PlotAutoScale = false;
    f.settings.GradientBcomponent = 64;
    f.plot.WarnLevels = {1000, 1500};
    f.feed(500, 3);
    f.draw();
    // Scale 0 .. 1650: levels at 1000 and 1500.
    const int bottom = f.image.height() - f.g.MarginBottom;
    const double ys = static_cast<double>(bottom - f.g.MarginTop) / f.plot.Range;
    const int yL0 = static_cast<int>(std::nearbyint((f.plot.MaxValue - 100000) * ys + f.g.MarginTop));
    const int yL1 = static_cast<int>(std::nearbyint((f.plot.MaxValue - 150000) * ys + f.g.MarginTop));
    const int x = f.X(50) + 3;
    EXPECT_EQ(f.at(x, bottom), QColor(0, 255, 64));          // green at the bottom
    EXPECT_EQ(f.at(x, yL0), QColor(224, 224, 224));          // the level line
    EXPECT_GE(f.at(x, yL0 + 1).red(), 245);                  // yellow just below it
    EXPECT_EQ(f.at(x, yL0 + 1).green(), 255);
    EXPECT_EQ(f.at(x, (yL0 + yL1) / 2).red(), 255);          // between the levels: towards red
    EXPECT_LT(f.at(x, yL1 + 2).green(), 128);
    EXPECT_EQ(f.at(x, f.g.MarginTop + 2), QColor(255, 0, 64)); // red above the upper level
    EXPECT_EQ(f.g.MarginRight, 20 + 40 + 50);                 // the level bar widens the margin

    // Without room nothing is drawn.
    QImage tiny = vs::makePlotImage(100, 100);
    tiny.fill(Qt::green);
    vs::plot_AutoScale(f.plot, f.settings);
    EXPECT_FALSE(vs::plot_Draw(f.plot, f.settings, tiny, f.g));
    EXPECT_EQ(tiny.pixelColor(50, 50), QColor(Qt::green));
}

TEST(PlotRender, MarkerRunsAndSingleColumns)
{
    RenderFixture f;
    f.settings.PlotScroll = false;
    f.settings.PlotBkgGradient = false;
    f.settings.PlotGradientWarnings = false;
    f.plot.WarnLevels = {20, 30}; // data at 10: all three bands in the picture
    f.settings.PlotAutoScale = false;
    f.feed(10, 30);
    f.plot.Markers = {5, 6, 7, 10};
    f.plot.nMarkers = 4;
    f.draw();
    const int y = f.g.MarginTop + 1; // the red band
    EXPECT_EQ(f.at(f.X(4.5) + 1, y), QColor(255, 0, 128));
    EXPECT_EQ(f.at(f.X(7.5) - 1, y), QColor(255, 0, 128));
    EXPECT_EQ(f.at(f.X(8.5), y), QColor(Qt::white));
    EXPECT_TRUE(f.columnHas(10, y, QColor(255, 0, 128)));
    EXPECT_EQ(f.at(f.X(4.5) - 2, y), QColor(Qt::white));
    const int green = f.image.height() - f.g.MarginBottom;
    EXPECT_TRUE(f.columnHas(6, green, QColor(0, 255, 128)));
    const auto pieces = vs::plot_MarkedSpans(f.plot, false);
    EXPECT_EQ(pieces, (std::vector<std::pair<int, int>>{{5, 5}, {5, 7}, {10, 10}}));
    // A marker of the previous sweep (its slot at or after WriteIndex) in the paler blue.
    f.plot.Markers = {50};
    f.plot.nMarkers = 1;
    f.draw();
    EXPECT_TRUE(f.columnHas(50, y, QColor(255, 0, 255)));

    // Gradient columns cover the same columns.
    f.settings.PlotGradientWarnings = true;
    f.draw();
    f.plot.Markers = {5, 6, 7, 10};
    f.plot.nMarkers = 4;
    f.draw();
    EXPECT_TRUE(f.columnHas(6, y, QColor(255, 0, 128)));
    EXPECT_TRUE(f.columnHas(10, y, QColor(255, 0, 128)));
    EXPECT_EQ(f.at(f.X(8.5), y), QColor(Qt::white));
    EXPECT_TRUE(f.columnHas(6, green, QColor(0, 255, 128)));
}

TEST(PlotRender, PreviousSweepIsPaleWithScrollingOff)
{
    RenderFixture f;
    f.settings.PlotScroll = false;
    f.settings.PlotBkgGradient = false;
    f.plot.CurveColor[0] = vs::rgb(255, 0, 0);
    f.feed(10, 30);
    f.feed(20, 1); // a step at slot 30, so both parts sit at known heights
    f.draw();
    const int bottom = f.image.height() - f.g.MarginBottom;
    const double ys = static_cast<double>(bottom - f.g.MarginTop) / f.plot.Range;
    auto Y = [&](double v) { return static_cast<int>(std::nearbyint((f.plot.MaxValue - v * 100) * ys + f.g.MarginTop)); };
    EXPECT_EQ(f.at(f.X(15), Y(10)), QColor(255, 0, 0));      // this sweep, full colour
    EXPECT_EQ(f.at(f.X(60), Y(10)), QColor(255, 128, 128));  // the pre-filled rest, pale
    EXPECT_EQ(f.plot.WriteIndex, 31);
}

TEST(PlotRender, OneEnabledCurveHasNoLegendAndNoCurveLabels)
{
    // Text is smoothed: count pixels close to the colour.
    auto countColour = [](const QImage& img, QRect area, QColor colour) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                const QColor c = img.pixelColor(x, y);
                n += std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                         std::abs(c.blue() - colour.blue()) < 120;
            }
        return n;
    };
    PlotFixture f;
    const int s = f.addStick({"a", "b"});
    f.build();
    f.settings.PlotBkgGradient = false;
    f.settings.TitleLines[0] = "";
    f.plot.CurveColor = {vs::rgb(255, 0, 0), vs::rgb(0, 0, 255)};
    f.setValues(s, {1, 2});
    vs::Nymdata2plot(f.plot, f.link, "t");
    QImage image = vs::makePlotImage(800, 500);
    vs::PlotGeometry g;
    vs::plot_AutoScale(f.plot, f.settings);
    vs::plot_Draw(f.plot, f.settings, image, g);
    const QRect topMargin(0, 0, 800, g.MarginTop - 2);
    const QRect leftMargin(0, g.MarginTop, g.MarginLeft - 2, 500 - g.MarginTop - g.MarginBottom);
    EXPECT_GT(countColour(image, topMargin, QColor(255, 0, 0)), 10);  // legend box
    EXPECT_GT(countColour(image, leftMargin, QColor(0, 0, 255)), 3);   // curve label

    f.plot.CurveEnabled[1] = false;
    vs::plot_AutoScale(f.plot, f.settings);
    vs::plot_Draw(f.plot, f.settings, image, g);
    EXPECT_EQ(countColour(image, topMargin, QColor(255, 0, 0)), 0);
    EXPECT_EQ(countColour(image, leftMargin, QColor(255, 0, 0)), 0);
    EXPECT_EQ(countColour(image, QRect(0, 0, 800, 500), QColor(0, 0, 255)), 0);
}

} // namespace
