#include "service/headless.h"

#include "core/program_objects.h"
#include "core/quit_on_signal.h"
#include "core/device_callback.h"
#include "core/monitor_core.h"
#include "core/value_log.h"
#include "core/warnings.h"
#include "core/services.h"
#include "service/console_face.h"
#include "service/service_prompts.h"
#include "stick/device_change.h"
#include "stick/stick_link.h"

#include <QCoreApplication>

#include <iostream>

namespace vs {

namespace {

int runHeadless(Services& s, ConsoleFace& face)
{
    MonitorCore core(s, face);
    // A service goes on after an unexpected error; it is said and kept in the trace.
    core.onError = [&face](const char* procedure, const std::string& description) {
        face.line(std::string("Error in ") + procedure + ": " + description);
        return false;
    };
    core.endProgram = [] { QCoreApplication::exit(1); };
    core.deviceCallback().offerEmulation = false;
    core.service = true;
    core.warnings().out.balloon = [&face](const QString& text, const QString&, int) {
        face.line("Warning: " + text.simplified().toStdString());
    };
    quitOnTerminationSignals([&core, &face] {
        face.line("Ending on request");
        core.shutdownWhenIdle([] { QCoreApplication::exit(0); });
    });

    face.line("Ventiscope service starting");
    core.deviceChange().hotPlugEnabled = true;
    core.findSticks();
    core.valueLog().restoreFromSettings();
    if (const int n = s.link.Nymstick_CountConnected(); n > 0)
        face.print(QString::number(n) + " sensors found:\n");
    core.loadSettings();
    core.configureSticks();
    if (!s.link.StickErrorText.empty())
        face.line("Error configuring stick(s): " + s.link.StickErrorText);
    if (core.valueLog().on())
        face.line("Logging to " + core.valueLog().fileName().toStdString());
    // A service samples whatever "Live data" says in the window.
    core.startSampling(true);
    core.startLinks();
    // A service whose metrics cannot be served ends, so that systemd shows the failure.
    if (!core.metricsError().empty()) {
        face.line("Ending: the metrics endpoint cannot be served (" + core.metricsError() + ")");
        core.shutdown();
        return 1;
    }
    const int code = QCoreApplication::exec();
    core.shutdown();
    face.line("Ventiscope service ended");
    return code;
}

} // namespace

int runService(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("Ventiscope");
    ProgramObjects objects;
    ConsoleFace face(objects.clock, std::cout);
    ServicePrompts prompts([&face](const std::string& line) { face.line(line); });
    Services services = objects.services(prompts);
    return runHeadless(services, face);
}

} // namespace vs
