// The program's start-up and shut-down sequences and its error requester,
// written once for every face.
#include "core/monitor_core.h"

#include "common/prompts.h"
#include "core/command_line.h"
#include "core/device_callback.h"
#include "core/face.h"
#include "core/value_log.h"
#include "flash/flash_available.h"
#include "net/net_link.h"
#include "publish/metrics_endpoint.h"
#include "publish/mqtt_publisher.h"
#include "settings/settings.h"
#include "stick/device_change.h"
#include "stick/report_io.h"
#include "stick/stick_info.h"
#include "stick/stick_link.h"
#include "stick/trace_log.h"

#include <QTimer>

#include <exception>
#include <iostream>

namespace vs {

namespace {
// How often a shut-down waiting for a pass to end looks again.
constexpr int kShutdownPollMs = 10;
} // namespace

void MonitorCore::step(const std::string& text)
{
    currentStep_ = text;
    s_.trace.LogTrace(text);
}

void MonitorCore::askForTraceFile()
{
    // Tracing is off unless a test build's user asks for a trace file.
    s_.trace.On = false;
    if (s_.versionRevision == 0)
        return;
    const std::string version = std::to_string(s_.versionMajor) + "." + std::to_string(s_.versionMinor) + "." +
                                std::to_string(s_.versionRevision);
    const auto answer =
        s_.prompts.inputText("This is a test revision, v" + version + "\r\n\r\nDo you want to to save a trace file?",
                             "", homeFolder() + "/nymtrace_v" + version + ".txt");
    if (answer && !answer->empty())
        s_.trace.enable(*answer, s_.link);
}

bool MonitorCore::startUp(const std::string& commandLine)
{
    askForTraceFile();
    step("Form1:Form_Load()");
    changeHandler_->hotPlugEnabled = true;
    face_.showWindow();

    step("Form1:Form_Load():Nymstick_Find");
    findSticks();
    if (s_.link.Nymstick_CountConnected() == 0 && !commandLine.empty())
        return false;

    step("Form1:Form_Load():Command");
    if (commandLine.empty())
        valueLog_->restoreFromSettings();
    step("Form1:Form_Load():Show");
    face_.showPlot(!commandLine.empty());
    clearData();
    clearMarkers();

    const int n = s_.link.Nymstick_CountConnected();
    if (n == 0)
        s_.link.DebugOut("ERROR: NO Nym sticks found!", 1);
    step("Form1:Form_Load():ParseCmd");
    // A switch given at the start acts once and ends the program; problems go
    // to standard error, where the one who typed it looks.
    CommandServices commands{s_.link, s_.clock, s_.link.waitFunction(),
                             [this](const std::string& t) { face_.print(QString::fromStdString(t)); },
                             [](const std::string& t) { std::cerr << "Ventiscope: " << t << std::endl; }};
    if (ParseCmd(commands, commandLine, true) != kNoAction)
        return false;
    if (s_.trace.On)
        step("Form1:Form_Load():Nymstick_CountConnected= " + std::to_string(n));

    face_.print(QString(QChar(12)));
    if (n > 0)
        face_.print(QString::number(n) + " sensors found:\n");

    step("Form1:Form_Load():rmSettings_Plot.LoadPlotSettings");
    loadSettings();

    step("Form1:Form_Load():DevChange_callback");
    configureSticks();
    face_.showFlashMenu(CheckFlashAvailable(s_.link));
    if (!s_.link.StickErrorText.empty() &&
        face_.endAfterError("Error configuring stick(s): " + s_.link.StickErrorText))
        return false;
    if (s_.trace.On) {
        step("Form1:Form_Load():dump");
        for (int i = 0; i < s_.link.SlotsReserved; ++i)
            s_.trace.LogTrace(StickDescription(s_.link, i));
    }

    // "Live data" takes the setting "StartOnLoad" (a service always samples);
    // sampling runs when it is ticked and a stick is there.
    startSampling(service || s_.settings.number(keys::StartOnLoad) == 1);
    face_.samplingChanged(sampling_->running());
    face_.showAirState();
    step("Form1:Form_Load():RegisterHIDwindow, publishing, LoadNetworkDefaults");
    startLinks();
    return true;
}

void MonitorCore::shutdown()
{
    if (std::exchange(shutDown_, true))
        return;
    inUseRetry_.stop();
    sampling_->setRunning(false);
    if (net_->state() != 0)
        net_->Winsock1_Close();
    s_.link.DebugOut("Exit:Saving settings", 1);
    face_.closeWindow();
    metrics_.reset();
    history_.reset(); // what was handed over is written first
    changeHandler_->UnRegisterHIDwindow();
    for (int i = 0; i < s_.link.SlotsReserved; ++i)
        if (s_.link.Nymstick_isOpen(i))
            Nymstick_Close(s_.link, i);
}

void MonitorCore::shutdownWhenIdle(std::function<void()> done)
{
    sampling_->setRunning(false);
    if (sampling_->passRunning() || downloading_) {
        QTimer::singleShot(kShutdownPollMs, this, [this, done = std::move(done)]() mutable {
            shutdownWhenIdle(std::move(done));
        });
        return;
    }
    shutdown();
    done();
}

void MonitorCore::requestEnd(int code)
{
    if (std::exchange(ending_, true))
        return;
    shutdownWhenIdle([this, code] { face_.endProgram(code); });
}

void MonitorCore::guarded(const char* procedure, const std::function<void()>& body)
{
    try {
        body();
    } catch (const std::exception& e) {
        if (Err_Requester(procedure, e.what()))
            requestEnd(0);
    }
}

bool MonitorCore::Err_Requester(const std::string& procedure, const std::string& description)
{
    const std::string message =
        "Fatal program error in " + procedure + "\r\n" + currentStep_ + "\r\n\r\n" + description;
    s_.trace.LogTrace(std::string(10, '*') + " " + procedure + " ERROR handler" + std::string(10, '*'));
    s_.trace.LogTrace(message);
    DumpTraceInfo(s_.link, s_.trace);
    return face_.endAfterError(message);
}

} // namespace vs
