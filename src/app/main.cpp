#include "app/headless.h"
#include "app/quit_on_signal.h"
#include "common/clock.h"
#include "common/version.h"
#include "monitor/command_line.h"
#include "monitor/console_face.h"
#include "monitor/service_prompts.h"
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

constexpr const char* kUsage =
    "Usage: ventiscope [switches]\n"
    "       ventiscope --headless\n"
    "\n"
    "Shows the air quality sensor sticks' readings as a live trend plot.\n"
    "\n"
    "  --headless   run as a service without a window: sample the sticks, log,\n"
    "               serve the network link and the metrics; status lines go to\n"
    "               standard output; ends on SIGTERM\n"
    "  --help       show this text and end\n"
    "  --version    show the version and end\n"
    "  /rst         reset every stick and end\n"
    "  /dump=FILE   write every stick's description to FILE and end\n"
    "  /dfu         put every stick into firmware-upgrade mode and end\n"
    "\n"
    "VENTISCOPE_SIMULATE=5,1/33 finds simulated sticks instead of USB ones.\n";

std::unique_ptr<vs::HidBackend> makeBackend(const vs::Clock& clock)
{
    const QByteArray simulate = qgetenv("VENTISCOPE_SIMULATE");
    if (simulate.isEmpty())
        return std::make_unique<vs::HidapiBackend>();
    const vs::SimParse parsed = vs::parseSimulateSpec(simulate.toStdString());
    for (const std::string& e : parsed.errors)
        std::cerr << "VENTISCOPE_SIMULATE: " << e << " (ignored)" << std::endl;
    auto bus = std::make_unique<vs::SimulatedBackend>(clock);
    for (const vs::SimSpec& spec : parsed.specs)
        bus->plug(spec);
    return bus;
}

// The program's one instance of each core object.
struct Core {
    vs::SystemClock clock;
    vs::StickLink link{clock, vs::eventLoopWait()};
    vs::TraceLog trace{clock};
    vs::SettingsStore store;
    vs::Settings settings{store};
    std::unique_ptr<vs::HidBackend> backend = makeBackend(clock);
    vs::DeviceScanner scanner{link, *backend};
    vs::PlotRecord plot;
    vs::PlotSettings plotSettings;
};

int runService(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("Ventiscope");
    Core core;
    vs::ConsoleFace face(core.clock, std::cout);
    vs::ServicePrompts prompts([&face](const std::string& line) { face.line(line); });
    vs::Services services{core.clock, core.link, core.trace, core.settings, prompts, core.scanner, core.plot,
                          core.plotSettings, systemDateFormats()};
    return vs::runHeadless(services, face);
}

int runWindow(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Ventiscope");
    Core core;
    vs::QtPrompts prompts;
    vs::Services services{core.clock, core.link, core.trace, core.settings, prompts, core.scanner, core.plot,
                          core.plotSettings, systemDateFormats()};

    vs::MainWindow window(services);
    window.resize(960, 640); // the size of a first start; later starts take the stored geometry
    prompts.setParent(&window);
    const std::string commandLine = vs::commandLineText(QApplication::arguments().mid(1));
    vs::closeOnTerminationSignals(window);
    if (!window.Form_Load(commandLine) || window.ended())
        return 0;
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv)
{
    // These are whole arguments: "/dump=--help.txt" is a file name.
    bool headless = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            std::cout << kUsage;
            return 0;
        }
        if (arg == "--version") {
            std::cout << vs::kProgramVersion << std::endl;
            return 0;
        }
        headless = headless || arg == "--headless";
    }
    if (headless && argc > 2) {
        std::cerr << "ventiscope: --headless takes no further arguments\n" << kUsage;
        return 2;
    }
    return headless ? runService(argc, argv) : runWindow(argc, argv);
}
