#include "plot/plot_renderer.h"
#include "plot_fixture.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>

namespace {

using vstest::PlotFixture;

TEST(PlotFeed, TwoSticksGiveCurvesInSlotThenChannelOrderEachInAColourOfItsOwn)
{
    PlotFixture f;
    f.addStick({"a", "b", "c"});
    f.addStick({"d", "e"});
    f.build();
    ASSERT_EQ(f.plot.nCurves, 5);
    EXPECT_EQ(f.plot.CurveLabel, (std::vector<std::string>{"0:0", "0:1", "0:2", "1:0", "1:1"}));
    EXPECT_EQ(f.plot.CurveName, (std::vector<std::string>{"a", "b", "c", "d", "e"}));
    // colour indexes 0, 1, 2 and 2 x 1 + 0, 2 x 1 + 1
    const std::vector<vs::Rgb> colours = {vs::standardColor(0), vs::standardColor(1), vs::standardColor(2),
                                          vs::standardColor(2), vs::standardColor(3)};
    EXPECT_EQ(f.plot.CurveColor, colours);
    EXPECT_EQ(vs::standardColor(14), vs::rgb(255, 255, 0));

    // One slot only: no stick prefix. A user's colour replaces the standard one.
    PlotFixture g;
    g.addStick({"x", "y"});
    vs::plot_SetupChannels(g.plot, g.link, [](int index, vs::Rgb) -> std::optional<vs::Rgb> {
        if (index == 1)
            return vs::rgb(1, 2, 3);
        return std::nullopt;
    });
    EXPECT_EQ(g.plot.CurveLabel, (std::vector<std::string>{"0", "1"}));
    EXPECT_EQ(g.plot.CurveColor[1], vs::rgb(1, 2, 3));

    // Curves beyond the colour table still get colours of their own.
    std::set<vs::Rgb> seen;
    for (int k = 0; k < 40; ++k) {
        const vs::Rgb c = vs::plot_ColorMapping(k, {});
        EXPECT_NE(c, vs::rgb(0, 0, 0)) << k;
        EXPECT_TRUE(seen.insert(c).second) << "curve " << k << " has another's colour";
    }
}

TEST(PlotFeed, FirstPassPrefillsAndTheRingWraps)
{
    PlotFixture f;
    const int s = f.addStick({"a", "b"});
    f.build(100);
    EXPECT_EQ(f.plot.SampleText[5], "");
    EXPECT_EQ(f.plot.at(5, 0), 0);
    f.setValues(s, {0.125, 0.375});
    ASSERT_TRUE(vs::Nymdata2plot(f.plot, f.link, "12:00:00"));
    EXPECT_EQ(f.plot.WriteIndex, 1);
    EXPECT_EQ(f.plot.SampleText[0], "12:00:00");
    EXPECT_EQ(f.plot.at(0, 0), 12); // halves to even
    EXPECT_EQ(f.plot.at(0, 1), 38);
    for (int i = 1; i < 100; ++i) {
        EXPECT_EQ(f.plot.SampleText[static_cast<size_t>(i)], " ");
        EXPECT_EQ(f.plot.at(i, 1), 38);
    }
    f.setValues(s, {3.14159, 1});
    for (int pass = 1; pass < 100; ++pass)
        vs::Nymdata2plot(f.plot, f.link, "t" + std::to_string(pass));
    EXPECT_EQ(f.plot.WriteIndex, 0);
    EXPECT_EQ(f.plot.at(99, 0), 314);
    EXPECT_EQ(f.plot.SampleText[99], "t99");

    // Values beyond what the scale can span are clamped, so that the scale of
    // any two stored values fits 32 bits and every sample lands in the plot.
    f.setValues(s, {21474836.47, -1e300});
    vs::Nymdata2plot(f.plot, f.link, "big");
    EXPECT_EQ(f.plot.at(0, 0), 1073741823);
    EXPECT_EQ(f.plot.at(0, 1), -1073741823);
    vs::plot_AutoScale(f.plot, f.settings);
    EXPECT_EQ(f.plot.MaxValue, 1073741823);
    EXPECT_EQ(f.plot.MaxValue - f.plot.Range, -1073741823) << "the bottom is the lowest stored value";
}

TEST(PlotFeed, ClosedSlotsAreWalkedInSlotOrder)
{
    PlotFixture f;
    const int a = f.addStick({"a"});
    const int b = f.addStick({"b"});
    f.build();
    f.setValues(a, {1});
    f.setValues(b, {2});
    f.link.slot(a)->HIDHandle = 0; // closed after the curves were built
    ASSERT_TRUE(vs::Nymdata2plot(f.plot, f.link, "t"));
    // The closed slot is passed over once: curve 0 takes the next slot's value.
    EXPECT_EQ(f.plot.at(0, 0), 200);
    f.link.slot(b)->HIDHandle = 0;
    EXPECT_FALSE(vs::Nymdata2plot(f.plot, f.link, "u"));
    EXPECT_EQ(f.plot.WriteIndex, 1);

    // No store: nothing is written.
    vs::PlotRecord empty;
    EXPECT_FALSE(vs::Nymdata2plot(empty, f.link, "t"));
}

} // namespace
