// Makes the manual's pictures: runs the real main window and its dialogs on
// the offscreen platform with simulated sticks and saves each window as PNG
// into the folder given as argument.
#include "plot_examples.h"

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
#include "history/history_store.h"
#include "window/history_window.h"
#include "settings/settings.h"
#include "stick/device_scan.h"
#include "stick/sim_backend.h"
#include "stick/stick_link.h"
#include "stick/trace_log.h"

#include <QApplication>
#include <QPalette>
#include <QDateTime>
#include <QMouseEvent>
#include <QElapsedTimer>
#include <QDir>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>

namespace {

void save(QWidget& w, const QString& folder, const char* name)
{
    const QString path = folder + "/" + name + ".png";
    if (!w.grab().save(path))
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
}

// A week of two offices at 30 s: CO2 rising while people work and falling
// when the windows open at noon and in the evening, quiet weekends, and a
// night in which the program did not run.
void writeWeek(const QString& path, int64_t nowMs)
{
    vs::HistoryStore store;
    store.open(path);
    const QStringList labels{"CO2eq", "Temp", "Humidity", "Rh", "Rs"}, units{"ppm", "C", "%RH", "ohm", "ohm"};
    const vs::SeriesIdentity rooms[2] = {{"A1B2C3", "Office", labels, units},
                                         {"D4E5F6", "Meeting room", labels, units}};
    const int64_t step = 30000, from = nowMs - 7 * 86400000LL;
    std::vector<vs::HistorySample> batch;
    double co2[2] = {450, 450};
    for (int64_t t = from / step * step; t <= nowMs; t += step) {
        const QDateTime when = QDateTime::fromMSecsSinceEpoch(t);
        if (when.daysTo(QDateTime::fromMSecsSinceEpoch(nowMs)) == 3 && when.time().hour() < 6)
            continue; // not running that night
        const double hour = when.time().hour() + when.time().minute() / 60.0;
        const bool weekday = when.date().dayOfWeek() <= 5;
        for (int r = 0; r < 2; ++r) {
            const bool busy = weekday && hour >= 8.5 && hour < 17.5 && !(hour >= 12 && hour < 12.5);
            const double target = busy ? (r == 0 ? 1150 : 1500) : 430;
            co2[r] += (target - co2[r]) * (busy ? 0.012 : 0.03) + std::sin(t / 3.1e5 + r) * (busy ? 4 : 0.5);
            const double temp = 20.5 + (busy ? 1.5 : 0) + std::sin(t / 8.64e7 * 2 * M_PI) * 0.6;
            batch.push_back({rooms[r], t, {std::round(co2[r]), std::round(temp * 100) / 100, 45, 89.5, 48000}});
        }
        if (batch.size() > 20000) {
            store.add(batch);
            batch.clear();
        }
    }
    store.add(batch);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    qputenv("XDG_DATA_HOME", (config.path() + "/data").toUtf8());
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString("manual");
    QDir().mkpath(folder);
    savePlotExamples(folder);

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

    // Lanes by unit, zoomed in and held while sampling goes on; then a dark desktop.
    plotSettings.PlotLanes = true;
    window.plotView().zoomAt(700, 360);
    save(window, folder, "main_window_paused_lanes");
    window.plotView().follow();
    const QPalette light = QApplication::palette();
    QPalette dark(QColor(45, 45, 48));
    dark.setColor(QPalette::WindowText, Qt::white);
    QApplication::setPalette(dark);
    app.processEvents();
    save(window, folder, "main_window_dark");
    QApplication::setPalette(light);
    app.processEvents();
    plotSettings.PlotLanes = false;
    window.plotView().replot();

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

    const QString historyFile = config.path() + "/week.sqlite";
    writeWeek(historyFile, QDateTime::currentMSecsSinceEpoch());
    vs::HistoryWindow history(historyFile, {});
    history.resize(1000, 520);
    history.show();
    history.refresh();
    history.showPreset(vs::HistoryWindow::LastWeek);
    QElapsedTimer waited;
    waited.start();
    while ((history.busy() || waited.elapsed() < 300) && waited.elapsed() < 10000)
        app.processEvents(QEventLoop::AllEvents, 20);
    const QRect area = history.plot().area();
    QMouseEvent move(QEvent::MouseMove, QPointF(area.left() + area.width() * 0.62, area.center().y()),
                     QPointF(), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&history.plot(), &move);
    save(history, folder, "history");
    window.core().shutdown();
    std::printf("pictures written to %s\n", qPrintable(folder));
    return 0;
}
