#include "plot/plot_renderer.h"
#include "plot/plot_ticks.h"
#include "plot_fixture.h"

#include <gtest/gtest.h>

namespace {

using vstest::PlotFixture;

TEST(PlotScale, AutoscaleCases)
{
    PlotFixture f;
    const int s = f.addStick({"a"});
    f.build();
    f.setValues(s, {23.5});
    vs::Nymdata2plot(f.plot, f.link, "t");
    vs::plot_AutoScale(f.plot, f.settings);
    EXPECT_EQ(f.plot.MaxValue, 2352);
    EXPECT_EQ(f.plot.Range, 2);

    // Autoscale off with levels 1000 and 1500 and data 400 .. 600.
    f.settings.PlotAutoScale = false;
    f.plot.WarnLevels = {1000, 1500};
    f.setValues(s, {400});
    vs::Nymdata2plot(f.plot, f.link, "t");
    f.setValues(s, {600});
    vs::Nymdata2plot(f.plot, f.link, "t");
    vs::plot_AutoScale(f.plot, f.settings);
    EXPECT_EQ(f.plot.MaxValue, 165000);
    EXPECT_EQ(f.plot.Range, 165000);

    // Equal values with autoscale off still span from 0.
    f.plot.WarnLevels = {};
    vs::plot_SetupStore(f.plot);
    f.setValues(s, {5});
    vs::Nymdata2plot(f.plot, f.link, "t");
    vs::plot_AutoScale(f.plot, f.settings);
    EXPECT_EQ(f.plot.MaxValue, 500);
    EXPECT_EQ(f.plot.Range, 500);
}

TEST(PlotScale, AxisTicksAreRoundAndInsideTheRange)
{
    struct Case {
        double lo, hi;
        int most;
        std::vector<double> ticks;
    } cases[] = {
        {807.35, 2066.3, 4, {1000, 1500, 2000}},
        {21.93, 22.41, 5, {22.0, 22.1, 22.2, 22.3, 22.4}},
        {-3, 7, 5, {-2, 0, 2, 4, 6}},
        {0, 1, 2, {0, 0.5, 1}},
        {5, 5, 4, {}}, // no range, no ticks
    };
    for (const Case& c : cases) {
        const std::vector<double> got = vs::roundTicks(c.lo, c.hi, c.most);
        ASSERT_EQ(got.size(), c.ticks.size()) << c.lo << ".." << c.hi;
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_NEAR(got[i], c.ticks[i], 1e-9) << c.lo << ".." << c.hi;
    }
}

} // namespace
