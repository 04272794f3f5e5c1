#include "service/headless.h"

#include "core/monitor_core.h"
#include "core/quit_on_signal.h"
#include "core/value_log.h"
#include "stick/stick_link.h"
#include "service/console_program.h"
#include "service/systemd_notify.h"

#include <QTimer>

#include <algorithm>

namespace vs {

namespace {

// What the service manager is told about the running copy.
std::string statusText(const StickLink& link, MonitorCore& core)
{
    int open = 0;
    for (int i = 0; i < link.SlotsReserved; ++i)
        open += link.Nymstick_isOpen(i) ? 1 : 0;
    return "Sampling " + std::to_string(open) + (open == 1 ? " stick" : " sticks") +
           (core.valueLog().on() ? ", logging to " + core.valueLog().fileName().toStdString() : std::string());
}

// The watchdog is kept only while sampling passes end: a loop that hangs
// in a pass lets systemd restart the service.
void keepWatchdog(MonitorCore& core, const Clock& clock, ConsoleFace& face)
{
    const int watchdogMs = systemd::watchdogMs();
    if (watchdogMs <= 0)
        return;
    auto* timer = new QTimer(QCoreApplication::instance());
    const double startMs = clock.elapsedMs();
    QObject::connect(timer, &QTimer::timeout, timer, [&core, &clock, &face, startMs, watchdogMs, said = false]() mutable {
        SamplingLoop& loop = core.sampling();
        const double last = loop.lastPassEndMs() < 0 ? startMs : loop.lastPassEndMs();
        const double limitMs = std::max(3000.0 * loop.readInterval() + 10000.0, static_cast<double>(watchdogMs));
        if (!loop.running() || clock.elapsedMs() - last < limitMs) {
            said = false;
            systemd::watchdog();
        } else if (!std::exchange(said, true)) {
            face.line("Error: no sampling pass has ended for " + std::to_string(static_cast<int>(limitMs / 1000)) +
                          " s; the watchdog is no longer kept",
                      ConsoleFace::Error);
        }
    });
    timer->start(watchdogMs / 2);
}

int runHeadless(Services& s, ConsoleFace& face, const Companion& companion)
{
    MonitorCore core(s, face);
    core.service = true;
    watchServiceSignals(
        [&core, &face] {
            face.line("Ending on request");
            systemd::stopping();
            core.requestEnd(0);
        },
        [&s, &core, &face] {
            // After a log rotation: the next line goes to the file now at the
            // log's name, under a header of its own.
            systemd::reloading();
            core.valueLog().reopen();
            face.line(core.valueLog().on() ? "Reloaded: the value log " +
                                                 core.valueLog().fileName().toStdString() + " is opened afresh"
                                           : "Reloaded: no value log is written");
            systemd::ready(statusText(s.link, core));
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
    std::shared_ptr<void> beside;
    if (companion) {
        std::string error;
        beside = companion(s, core, face, error);
        if (!error.empty()) {
            face.line("Ending: " + error, ConsoleFace::Error);
            core.shutdown();
            return 1;
        }
    }
    systemd::ready(statusText(s.link, core));
    keepWatchdog(core, s.clock, face);
    const int code = QCoreApplication::exec();
    systemd::stopping();
    beside.reset();
    core.shutdown();
    face.line("Ventiscope service ended");
    return code;
}

} // namespace

int runService(int argc, char** argv, const Companion& companion)
{
    ConsoleProgram program(argc, argv);
    return runHeadless(program.services, program.face, companion);
}

} // namespace vs
