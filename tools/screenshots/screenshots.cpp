// Makes the manual's pictures: runs the real main window and its dialogs on
// the offscreen platform with simulated sticks and saves each window as PNG
// into the folder given as argument.
#include "common/clock.h"
#include "info/about_box.h"
#include "dialogs/alerts_dialog.h"
#include "dialogs/advanced_dialog.h"
#include "window/cursor_view.h"
#include "core/event_wait.h"
#include "core/monitor_core.h"
#include "window/main_window.h"
#include "dialogs/network_dialog.h"
#include "dialogs/plot_settings_dialog.h"
#include "dialogs/publishing_dialog.h"
#include "window/plot_view.h"
#include "window/qt_prompts.h"
#include "dialogs/records_window.h"
#include "core/sampling_loop.h"
#include "info/sensor_info_window.h"
#include "flash/record_list.h"
#include "settings/settings.h"
#include "stick/device_scan.h"
#include "stick/sim_backend.h"
#include "stick/stick_link.h"
#include "stick/trace_log.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>

namespace {

void save(QWidget& w, const QString& folder, const char* name)
{
    const QString path = folder + "/" + name + ".png";
    if (!w.grab().save(path))
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString("manual");
    QDir().mkpath(folder);

    // A clock that starts at a fixed time and runs as waits pass.
    vs::ManualClock clock({2026, 12, 7, 9, 30, 0, 0});
    vs::StickLink link(clock, [&clock](int ms) { clock.advanceMs(ms); });
    vs::TraceLog trace(clock);
    vs::SettingsStore store;
    vs::Settings settings(store);
    vs::QtPrompts prompts;
    vs::SimulatedBackend bus(clock);
    bus.plug({5, 9});
    bus.plug({5, 33});
    vs::DeviceScanner scanner(link, bus);
    vs::PlotRecord plot;
    vs::PlotSettings plotSettings;
    vs::Services services{clock, link, trace, settings, prompts, scanner, plot, plotSettings};
    vs::MainWindow window(services);
    window.resize(960, 640);
    window.show();
    window.Form_Load("");
    for (int k : {1, 5, 6})
        plot.CurveEnabled[static_cast<size_t>(k)] = true;
    // Half an hour of samples, a minute apart.
    for (int i = 0; i < 100; ++i) {
        clock.advanceMs(60000);
        window.core().sampling().Timer1x_Timer();
    }
    window.plotView().textBox().TextBuffer.clear();
    window.plotView().replot();
    save(window, folder, "main_window");

    window.cursor().press(QPointF(600, 250));
    save(window, folder, "cursor");
    window.cursor().release();

    window.mSettings_Click(1);
    save(window.plotSettingsDialog(), folder, "settings_plot");
    window.plotSettingsDialog().hide();
    window.mSettings_Click(2);
    save(window.alerts(), folder, "settings_alerts");
    window.alerts().hide();
    window.mSettings_Click(3);
    save(window.advanced(), folder, "settings_advanced_actions");
    window.advanced().hide();
    window.mSettings_Click(4);
    save(window.publishing(), folder, "settings_publishing");
    window.publishing().hide();
    window.mKnobs_Click();
    save(window.networkDialog(), folder, "settings_advanced_network");
    window.networkDialog().hide();

    vs::RecordsWindow records;
    records.RecReq_show(vs::readRecordList(link, 0));
    records.resize(480, 200);
    records.show();
    records.grab().save(folder + "/records.png");

    vs::SensorInfoWindow& info = window.sensorInfo();
    info.SetupAverage(true, 144, 0);
    info.ShowSensorDetails("Log date", 3600);
    info.show();
    info.grab().save(folder + "/request_end_time.png");
    info.ShowSensorDetails({}, 0);
    window.UpdateSensorText({});
    info.grab().save(folder + "/sensor_information.png");

    window.mAbout_Click();
    save(window.about(), folder, "about");
    window.Exit_cleanup();
    std::printf("pictures written to %s\n", qPrintable(folder));
    return 0;
}
