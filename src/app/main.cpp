#include "app/quit_on_signal.h"
#include "common/clock.h"
#include "monitor/command_line.h"
#include "monitor/event_wait.h"
#include "monitor/main_window.h"
#include "monitor/qt_prompts.h"
#include "monitor/services.h"
#include "settings/settings.h"
#include "stick/device_scan.h"
#include "stick/hidapi_backend.h"
#include "stick/sim_backend.h"
#include "stick/simulate_env.h"
#include "stick/stick_link.h"
#include "stick/trace_log.h"

#include <QApplication>
#include <QLocale>

#include <iostream>
#include <memory>

namespace {

// The system's own date formats for the "Short Date" kind of format names.
vs::NamedDateFormats systemDateFormats()
{
    auto toPicture = [](QString qt) {
        // Qt's "dd.MM.yyyy" / "HH:mm:ss" as the program's pictures.
        qt.replace("MMMM", "mmmm").replace("MMM", "mmm").replace("MM", "mm").replace("M", "m");
        return qt.toStdString();
    };
    vs::NamedDateFormats f;
    const QLocale locale = QLocale::system();
    f.shortDate = toPicture(locale.dateFormat(QLocale::ShortFormat));
    f.longDate = toPicture(locale.dateFormat(QLocale::LongFormat));
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Ventiscope");

    vs::SystemClock clock;
    vs::StickLink link(clock, vs::eventLoopWait());
    vs::TraceLog trace(clock);
    vs::SettingsStore store;
    vs::Settings settings(store);
    vs::QtPrompts prompts;

    std::unique_ptr<vs::HidBackend> backend;
    const QByteArray simulate = qgetenv("VENTISCOPE_SIMULATE");
    if (!simulate.isEmpty()) {
        const vs::SimParse parsed = vs::parseSimulateSpec(simulate.toStdString());
        for (const std::string& e : parsed.errors)
            std::cerr << "VENTISCOPE_SIMULATE: " << e << " (ignored)" << std::endl;
        auto bus = std::make_unique<vs::SimulatedBackend>(clock);
        for (const vs::SimSpec& s : parsed.specs)
            bus->plug(s);
        backend = std::move(bus);
    } else {
        backend = std::make_unique<vs::HidapiBackend>();
    }
    vs::DeviceScanner scanner(link, *backend);
    vs::PlotRecord plot;
    vs::PlotSettings plotSettings;
    vs::Services services{clock, link, trace, settings, prompts, scanner, plot, plotSettings, systemDateFormats()};

    vs::MainWindow window(services);
    window.resize(960, 640); // the size of a first start; later starts take the stored geometry
    prompts.setParent(&window);
    const std::string commandLine = vs::commandLineText(QApplication::arguments().mid(1));
    vs::closeOnTerminationSignals(window);
    if (!window.Form_Load(commandLine) || window.ended())
        return 0;
    return QApplication::exec();
}
