#include "plot/plot_renderer.h"
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

} // namespace
