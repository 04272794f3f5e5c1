#pragma once
#include "core/sampling_loop.h"
#include "core/services.h"
#include "history/history_writer.h"
#include "publish/metrics_snapshot.h"
#include "stick/configure_stick.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

namespace vs {

class Face;
class DeviceCallback;
class DeviceChangeHandler;
class DeviceWatch;
class ValueLog;
class Warnings;
class QtNetSocket;
class NetLink;
class MqttPublisher;
class MetricsEndpoint;
class HistoryWriter;
class FlashFace;

// The monitor without a face: everything a sampling pass drives, and every
// sequence of the program, each written once.
//
// It owns the sampling loop, the device-change handling (system watch,
// rescan, configuration of new sticks, plot curves and warning levels), the
// warnings evaluation, the value log, the network link, the MQTT publisher,
// the metrics endpoint and the history. It runs the start-up, the
// shut-down, the flash download, the one-shot switches and every command
// that acts on the sticks or on the program's state. It uses QtCore and
// QtNetwork only.
//
// A face shows it and answers its questions (Face): the main window, the
// console of the headless service, a test's face. The face calls the core's
// operations; the core never reaches into the face otherwise.
class MonitorCore : public QObject, private PassSteps {
    Q_OBJECT
public:
    MonitorCore(Services& services, Face& face, QObject* parent = nullptr);
    ~MonitorCore() override;

    // Runs as the headless service (advice for a machine without a seat).
    bool service = false;

    // The start-up, in the described order, the face's steps included; false
    // when the program is to end (a switch acted, a switch without a stick,
    // or the user chose to end after a configuration error).
    bool startUp(const std::string& commandLine);
    // The shut-down: sampling and the links stop, the face stores its
    // window, the device watch ends and every stick is closed. Runs once.
    void shutdown();
    // Ends the program: once no pass or download runs, the shut-down, then
    // the face ends it with `code`. Every way out goes through here.
    void requestEnd(int code);
    bool ending() const { return ending_; }

    // Runs a handler; an unexpected error goes to the error requester.
    void guarded(const char* procedure, const std::function<void()>& body);
    // The fatal-error requester: the text goes to the trace log and to the
    // face; true when the user chose to end the program.
    bool Err_Requester(const std::string& procedure, const std::string& description);
    // The step the program is at, for the trace log and the error requester.
    void step(const std::string& text);
    const std::string& currentStep() const { return currentStep_; }

    // Commands that act on the sticks or on the program's state.
    void pauseOrStart();
    // "Live data": a short window on the present, sampling on or off.
    void setLiveData(bool on);
    void recalibrateHeater();
    void resetBaseline();
    // Sticks and program back to their defaults (asks first, and whether to end).
    void resetSettings();
    void firmwareUpgrade();
    void eraseFlash();
    // A flash download through the face's FlashFace; a failure is shown.
    bool downloadFlash(FlashFace& face, bool engineeringMode);
    // One sample set at a time stamp into the plot, in the plot's time format.
    bool feedPlotAt(const LocalDateTime& t);
    // Every knob and flag of every stick read again (before they are edited).
    void readKnobsAndFlags();
    // A stick's warning levels changed (sent to it): the plot's lines follow.
    void warningLevelsChanged(int stick);
    // The network settings were edited: stored, and the role started again;
    // false when they could not be stored.
    bool applyNetworkSettings();
    void clearData();
    void clearMarkers();
    void setEngineeringMode(bool on);
    // A command-line switch ("/rst", "/dfu", ...) on every stick, progress as
    // status lines, problems shown.
    int runSwitch(const std::string& commandLine);

    SamplingLoop& sampling() { return *sampling_; }
    DeviceCallback& deviceCallback() { return *devCallback_; }
    DeviceChangeHandler& deviceChange() { return *changeHandler_; }
    ValueLog& valueLog() { return *valueLog_; }
    Warnings& warnings() { return *warnings_; }
    NetLink& network() { return *net_; }
    MqttPublisher* publisher() { return mqtt_.get(); }
    MetricsEndpoint* metrics() { return metrics_.get(); }
    // The history writer while this copy keeps history, else null.
    HistoryWriter* history() { return history_ && history_->active() ? history_.get() : nullptr; }
    // Where the history is and whether it is on, as this copy started it.
    HistorySettings historySettings() const;
    // Why the metrics endpoint asked for could not be served ("" when it is,
    // or none was asked for); it names the setting.
    std::string metricsError() const { return metricsProblem_.empty() ? "" : "Metrics/Listen: " + metricsProblem_; }
    // The publishing settings changed: MQTT and the metrics endpoint start
    // again from the settings file, without a restart.
    void restartPublishing();
    // The history's settings changed: it starts again from them (what was
    // handed to the old writer is written first).
    void restartHistory();
    // In a few words: "off", "connected", "refused: ...", "listening on 127.0.0.1:9464".
    QString mqttState() const;
    QString metricsState() const;
    long deviceChangeCount() const { return deviceChanges_; }

    // Parts of the start-up, in its order (tests run them one by one).
    // Starts the device watch and finds the sticks (permission advice and
    // sticks held by another program become status lines).
    void findSticks();
    // The waiting text, the plot settings and the read interval from the settings file.
    void loadSettings();
    // Configures the sticks found and sets up the plot's curves.
    void configureSticks();
    // Sampling runs when `live` and a stick is there (the first pass at once);
    // without a stick the first one to come starts it when `live`.
    void startSampling(bool live);
    // Hot-plug watch, history, MQTT, metrics and the network link.
    void startLinks();

private:
    // PassSteps
    void valuesRead() override;
    void askNetwork() override;
    void plotPass(const LocalDateTime& now) override;
    void evaluateWarnings() override;
    void note(const QString& text, int row) override;
    void logPass(const std::string& timeText) override;
    void passDone() override;
    void say(const std::string& line) override;
    void stickGone(int stick) override;
    void unexpectedError(const char* procedure, const std::string& description) override;

    void askForTraceFile();
    void onDeviceChange();
    // Runs `body` with sampling held, and as it was afterwards.
    void withSamplingHeld(const std::function<void()>& body);
    void shutdownWhenIdle(std::function<void()> done);
    void startPublishing();
    // Says what the settings held that could not be used.
    void sayNotes();
    void startMetrics();
    void updateMetrics();
    void startHistory();

    Services& s_;
    Face& face_;
    std::unique_ptr<SamplingLoop> sampling_;
    std::unique_ptr<DeviceCallback> devCallback_;
    std::unique_ptr<DeviceChangeHandler> changeHandler_;
    std::unique_ptr<DeviceWatch> watch_;
    std::unique_ptr<ValueLog> valueLog_;
    std::unique_ptr<Warnings> warnings_;
    std::unique_ptr<QtNetSocket> socket_;
    std::unique_ptr<NetLink> net_;
    std::unique_ptr<MqttPublisher> mqtt_;
    std::unique_ptr<MetricsEndpoint> metrics_;
    std::unique_ptr<HistoryWriter> history_;
    MetricsOptions metricsOptions_;
    std::string metricsProblem_;
    std::string currentStep_;
    QTimer inUseRetry_;
    bool downloading_ = false;
    bool configuring_ = false;
    bool shutDown_ = false;
    bool ending_ = false;
    long deviceChanges_ = 0;
};

} // namespace vs
