// Plots of simulated sticks drawn the way the program draws them, without a
// window: one stick with the scrolling plot and gradient, two sticks with
// the sweep, and eight sticks with every curve in lanes by unit, light and
// dark, at 1920 and 800 pixels. Part of the pictures tools/make_screenshots.sh makes.
#include "plot_examples.h"

#include "plot/plot_feed.h"
#include "plot/plot_renderer.h"
#include "stick/config_read.h"
#include "stick/sim_stick.h"
#include "stick/simulate_env.h"
#include "stick/stick_link.h"
#include "stick/value_read.h"

#include <cstdio>

namespace {

struct Look {
    bool lanes = false, dark = false, everyCurve = false;
    QSize size{1000, 560};
};

QImage renderSimulated(const std::vector<vs::SimSpec>& specs, int passes, bool scroll, bool gradient, Look look = {})
{
    vs::ManualClock clock({2026, 12, 6, 9, 0, 0, 0});
    vs::StickLink link(clock, [&](int ms) { clock.advanceMs(ms); });
    auto sims = vs::attachSimulatedSticks(link, specs, clock);
    for (int i = 0; i < link.SlotsReserved; ++i)
        vs::Nymstick_GetConfig(link, i);
    vs::PlotRecord plot;
    vs::PlotSettings settings;
    settings.PlotScroll = scroll;
    settings.PlotBkgGradient = gradient;
    settings.TitleLines[1] = "good";
    settings.TitleLines[2] = "medium";
    settings.TitleLines[3] = "bad";
    settings.PlotLanes = look.lanes;
    if (look.dark)
        settings.Ink = vs::darkInk();
    vs::plot_Init(plot);
    vs::plot_SetupChannels(plot, link);
    // Show CO2 and temperature only: their scales differ too much for one axis otherwise.
    for (int k = 0; k < plot.nCurves; ++k)
        plot.CurveEnabled[static_cast<size_t>(k)] = look.everyCurve || k % 5 == 0;
    plot.WarnLevels = link.slot(0)->Channels[0].WarnLevels;
    plot.WarnCurve = 0;
    plot.RecordLength = 600;
    vs::plot_SetupStore(plot);
    for (int pass = 0; pass < passes; ++pass) {
        clock.advanceMs(5000);
        for (int i = 0; i < link.SlotsReserved; ++i)
            vs::Nymstick_ReadPV(link, i);
        const vs::LocalDateTime t = clock.now();
        char text[16];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
        const int slot = plot.WriteIndex;
        vs::Nymdata2plot(plot, link, text);
        if (link.slot(0)->Channels[0].LastValue >= plot.WarnLevels[1] && plot.nMarkers < 30000) {
            if (plot.nMarkers == 0)
                plot.Markers.clear();
            plot.Markers.push_back(static_cast<int16_t>(slot));
            ++plot.nMarkers;
        }
    }
    plot.FooterText = "06.12.2026";
    QImage image = vs::makePlotImage(look.size.width(), look.size.height());
    vs::PlotGeometry g;
    vs::plot_AutoScale(plot, settings);
    vs::plot_Draw(plot, settings, image, g);
    return image;
}

} // namespace

void savePlotExamples(const QString& folder)
{
    renderSimulated({{5, 9}}, 400, true, true).save(folder + "/plot_one_stick.png");
    renderSimulated({{5, 9}, {1, 33}}, 450, false, false).save(folder + "/plot_two_sticks.png");
    std::vector<vs::SimSpec> eight;
    for (int i = 0; i < 8; ++i)
        eight.push_back({5, i % 2 == 0 ? 9 : 33});
    for (const bool dark : {false, true})
        for (const QSize size : {QSize(1920, 1080), QSize(800, 600)})
            renderSimulated(eight, 400, true, true, {true, dark, true, size})
                .save(folder + QString("/plot_lanes_%1_%2.png").arg(size.width()).arg(dark ? "dark" : "light"));
}
