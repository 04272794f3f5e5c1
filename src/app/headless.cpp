#include "app/headless.h"

#include "app/quit_on_signal.h"
#include "monitor/console_face.h"
#include "monitor/device_callback.h"
#include "monitor/monitor_core.h"
#include "monitor/value_log.h"
#include "monitor/warnings.h"
#include "monitor/services.h"
#include "stick/device_change.h"
#include "stick/stick_link.h"

#include <QCoreApplication>

namespace vs {

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
    const int code = QCoreApplication::exec();
    core.shutdown();
    face.line("Ventiscope service ended");
    return code;
}

} // namespace vs
