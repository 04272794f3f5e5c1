// Time from creating the main window to the first plot drawn with data, with
// simulated sticks, real waits and the real event loop; then the CPU share of
// a minute of sampling is left to the shell (see README).
#include "common/clock.h"
#include "core/event_wait.h"
#include "core/monitor_core.h"
#include "window/main_window.h"
#include "window/plot_view.h"
#include "window/qt_prompts.h"
#include "settings/settings.h"
#include "stick/device_scan.h"
#include "stick/sim_backend.h"
#include "stick/stick_link.h"
#include "stick/trace_log.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double oneStart()
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QElapsedTimer timer;
    timer.start();
    vs::SystemClock clock;
    vs::StickLink link(clock, vs::eventLoopWait());
    vs::TraceLog trace(clock);
    vs::SettingsStore store;
    vs::Settings settings(store);
    vs::QtPrompts prompts;
    vs::SimulatedBackend bus(clock);
    bus.plug({5, 9});
    bus.plug({1, 33});
    vs::DeviceScanner scanner(link, bus);
    vs::PlotRecord plot;
    vs::PlotSettings plotSettings;
    vs::Services services{clock, link, trace, settings, prompts, scanner, plot, plotSettings};
    vs::MainWindow window(services);
    window.resize(960, 640);
    window.Form_Load("");
    while (plot.WriteIndex == 0 && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    const double ms = timer.nsecsElapsed() / 1e6;
    window.core().shutdown();
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<double> runs;
    for (int i = 0; i < 7; ++i)
        runs.push_back(oneStart());
    std::sort(runs.begin(), runs.end());
    std::printf("first plot with data after start, two simulated sticks: median %.1f ms (min %.1f, max %.1f, %zu runs)\n",
                runs[runs.size() / 2], runs.front(), runs.back(), runs.size());
    return 0;
}
