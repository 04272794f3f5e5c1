#pragma once
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

class StatusFace;
class SamplingLoop;
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

// The monitor without a face: everything a sampling pass drives.
//
// It owns the sampling loop, the device-change handling (system watch,
// rescan, configuration of new sticks, plot curves and warning levels), the
// warnings evaluation, the value log, the network link, the MQTT publisher
// and the metrics endpoint, and runs the flash download and the one-shot
// switches. It uses QtCore and QtNetwork only.
//
// A face shows it: the main window (status lines over the plot, tray, sound
// and dialogs wired to the core's parts) or the headless service (status
// lines on standard output). Status lines go to the face's StatusFace,
// questions to the Services' prompts, warning outputs to what the face puts
// into warnings().out.
class MonitorCore : public QObject {
    Q_OBJECT
public:
    MonitorCore(Services& services, StatusFace& face, QObject* parent = nullptr);
    ~MonitorCore() override;

    // Runs as the headless service (advice for a machine without a seat).
    bool service = false;
    // An unexpected error inside a handler; true when the program is to end
    // (the face then ends it through endProgram).
    std::function<bool(const char* procedure, const std::string& description)> onError;
    std::function<void()> endProgram;
    // Runs a handler; an unexpected error goes to onError.
    void guarded(const char* procedure, const std::function<void()>& body);

    // The start-up, in the order the faces run it.
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
    // Hot-plug watch, MQTT, metrics and the network link.
    void startLinks();
    // Stops sampling and the links, ends the watch and closes every stick.
    void shutdown();
    // Shuts down once no sampling pass or download is running, then calls `done`.
    void shutdownWhenIdle(std::function<void()> done);

    // A flash download through the face's FlashFace; device changes wait for its end.
    bool downloadFlash(FlashFace& face, bool engineeringMode);
    // A command-line switch ("/rst", "/dfu", ...) on every stick.
    int runSwitch(const std::string& commandLine, const StatusSink& print, const StatusSink& inform);

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
    // In a few words: "off", "connected", "refused: ...", "listening on 127.0.0.1:9464".
    QString mqttState() const;
    QString metricsState() const;
    long deviceChangeCount() const { return deviceChanges_; }

private:
    void feedPlot(const LocalDateTime& now);
    void afterPass();
    void onDeviceChange();
    void startPublishing();
    // Says what the settings held that could not be used.
    void sayNotes();
    void startMetrics();
    void updateMetrics();
    void startHistory();

    Services& s_;
    StatusFace& face_;
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
    QTimer inUseRetry_;
    bool downloading_ = false;
    bool configuring_ = false;
    bool shutDown_ = false;
    long deviceChanges_ = 0;
};

} // namespace vs
