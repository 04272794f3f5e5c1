#include "service/headless.h"

#include "core/monitor_core.h"
#include "core/quit_on_signal.h"
#include "core/value_log.h"
#include "service/console_program.h"

namespace vs {

namespace {

int runHeadless(Services& s, ConsoleFace& face)
{
    MonitorCore core(s, face);
    core.service = true;
    quitOnTerminationSignals([&core, &face] {
        face.line("Ending on request");
        core.requestEnd(0);
    });

    face.line("Ventiscope service starting");
    core.startUp("");
    if (core.valueLog().on())
        face.line("Logging to " + core.valueLog().fileName().toStdString());
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
    ConsoleProgram program(argc, argv);
    return runHeadless(program.services, program.face);
}

} // namespace vs
