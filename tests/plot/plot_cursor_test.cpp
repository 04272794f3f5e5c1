#include "plot/plot_cursor.h"
#include "plot/plot_feed.h"
#include "stick/stick_link.h"

#include <gtest/gtest.h>

namespace {

vs::PlotGeometry drawn()
{
    vs::PlotGeometry g;
    g.Graph_LastZeroLine = 400;
    g.Graph_LastYmax = 20;
    g.Graph_LastXscale = 8;
    g.Graph_LastMarginL = 40;
    return g;
}

vs::PlotRecord storeOf(int curves, int length = 100)
{
    vs::PlotRecord p;
    p.RecordLength = length;
    for (int k = 0; k < curves; ++k)
        vs::plot_AddCurve(p, "c" + std::to_string(k), 0);
    for (int k = 0; k < curves; ++k)
        p.CurveName[static_cast<size_t>(k)] = "N" + std::to_string(k);
    vs::plot_SetupStore(p);
    return p;
}

TEST(Cursor, SnapsToTheNearestSampleHalvesToEvenAndStaysInTheRecord)
{
    const vs::PlotRecord p = storeOf(1);
    const vs::PlotGeometry g = drawn();
    struct Case {
        double x;
        int position, pixel;
    } cases[] = {{0, 0, 40}, {10000, 99, 832}, {40 + 8 * 2.5, 2, 56}, {40 + 8 * 3.5, 4, 72}, {45, 1, 48}};
    for (const Case& c : cases) {
        const auto spot = vs::cursorSpot(g, p, false, c.x);
        ASSERT_TRUE(spot) << c.x;
        EXPECT_EQ(spot->position, c.position) << c.x;
        EXPECT_EQ(spot->x, c.pixel) << c.x;
        EXPECT_EQ(spot->slot, c.position);
    }
    EXPECT_FALSE(vs::cursorSpot(vs::PlotGeometry{}, p, false, 100)) << "an undrawn plot has no cursor";

    vs::PlotRecord scrolled = storeOf(1);
    scrolled.WriteIndex = 40;
    EXPECT_EQ(vs::cursorSpot(g, scrolled, true, 0)->slot, 40) << "the oldest";
    EXPECT_EQ(vs::cursorSpot(g, scrolled, true, 10000)->slot, 39) << "the newest";
}

TEST(Cursor, TheReadoutNamesCurvesOnlyWhenThereAreSeveralAndStaysInside)
{
    vs::ManualClock clock;
    vs::StickLink link(clock, [&](int ms) { clock.advanceMs(ms); });
    vs::PlotRecord one = storeOf(1);
    one.CurveEnabled[0] = true;
    one.at(7, 0) = 123450;
    EXPECT_EQ(vs::cursorReadout(one, link, 7), std::vector<std::string>{"1234.50"});

    for (int s = 0; s < 2; ++s) {
        const int i = link.Nymstick_AddSlot("s" + std::to_string(s));
        link.slot(i)->nChannels = 5;
    }
    vs::PlotRecord ten = storeOf(10);
    ten.CurveEnabled.assign(10, false);
    for (int k : {3, 5})
        ten.CurveEnabled[static_cast<size_t>(k)] = true;
    ten.at(2, 3) = 2150;
    const auto lines = vs::cursorReadout(ten, link, 2);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "0:N3=21.50");
    EXPECT_EQ(lines[1], "1:N5=0.00");

    // The readout is kept inside the plot.
    EXPECT_EQ(vs::readoutPlace(100, 50, {60, 40}, {800, 400}), QPoint(70, 50));
    EXPECT_EQ(vs::readoutPlace(795, 390, {60, 40}, {800, 400}), QPoint(740, 360)) << "pushed left and up";
    EXPECT_EQ(vs::readoutPlace(5, -10, {60, 40}, {800, 400}), QPoint(0, 0));
}

} // namespace
