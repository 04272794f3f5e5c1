#include "core/monitor_core.h"

#include "common/dateformat.h"
#include "common/version.h"
#include "flash/flash_download.h"
#include "core/command_line.h"
#include "core/data_folder.h"
#include "core/device_callback.h"
#include "core/device_watch.h"
#include "core/network_defaults.h"
#include "core/sampling_loop.h"
#include "core/face.h"
#include "core/value_log.h"
#include "core/warnings.h"
#include "net/net_link.h"
#include "net/qt_net_socket.h"
#include "plot/plot_feed.h"
#include "core/history_feed.h"
#include "history/history_settings.h"
#include "publish/metrics_endpoint.h"
#include "publish/metrics_settings.h"
#include "publish/metrics_snapshot.h"
#include "publish/mqtt_publisher.h"
#include "publish/mqtt_settings.h"
#include "settings/plot_settings_io.h"
#include "settings/settings.h"
#include "stick/device_change.h"
#include "stick/channel_state.h"
#include "stick/device_scan.h"
#include "stick/report_io.h"
#include "stick/stick_link.h"
#include "stick/trace_log.h"

#include <QFileInfo>
#include <QTimer>

#include <exception>

namespace vs {

namespace {
// How soon a device change kept during a pass is tried again.
constexpr int kDeviceChangeRetryMs = 100;
// How often a shut-down waiting for a pass to end looks again.
constexpr int kShutdownPollMs = 10;
// How often a stick held by another program is tried again.
constexpr int kInUseRetryMs = 5000;

// The udev rule as installed (the packaged one first), else the one beside the program.
QString installedRulePath()
{
    for (const char* path : {"/etc/udev/rules.d/70-ventiscope.rules", "/usr/lib/udev/rules.d/70-ventiscope.rules",
                             "/lib/udev/rules.d/70-ventiscope.rules"})
        if (QFileInfo::exists(path))
            return path;
    return QFileInfo(dataFile("70-ventiscope.rules")).absoluteFilePath();
}
} // namespace

MonitorCore::MonitorCore(Services& services, Face& face, QObject* parent)
    : QObject(parent), s_(services), face_(face)
{
    sampling_ = std::make_unique<SamplingLoop>(s_.link, s_.clock, s_.trace, static_cast<PassSteps&>(*this), this);
    devCallback_ = std::make_unique<DeviceCallback>(s_.link, s_.trace, s_.prompts, s_.settings, face_, s_.plot,
                                                    *sampling_);
    changeHandler_ = std::make_unique<DeviceChangeHandler>(s_.link, s_.scanner, [this] { onDeviceChange(); });
    // A change that arrives inside a sampling pass or a flash download (in one
    // of their waits) is handled when that is over.
    changeHandler_->busy = [this] { return sampling_->passRunning() || downloading_ || configuring_; };
    changeHandler_->retryLater = [this] {
        QTimer::singleShot(kDeviceChangeRetryMs, this, [this] {
            if (!shutDown_)
                changeHandler_->runPending();
        });
    };
    watch_ = std::make_unique<DeviceWatch>(*changeHandler_);
    watch_->attach();
    // A stick that comes or goes beeps through the face.
    s_.link.setBeep([this](int hz, int ms) { face_.beep(hz, ms); });

    valueLog_ = std::make_unique<ValueLog>(s_.link, s_.plot, s_.settings, s_.prompts, face_);
    warnings_ = std::make_unique<Warnings>(s_.link, s_.plot, s_.settings, s_.trace, s_.clock, face_);

    socket_ = std::make_unique<QtNetSocket>();
    net_ = std::make_unique<NetLink>(s_.link, *socket_, s_.link.waitFunction(),
                                     networkVersionLine(kProgramVersion, kSourceStamp));
    net_->face.print = [this](const std::string& text) { face_.print(QString::fromStdString(text)); };
    net_->face.holdMessage = [this](int redraws) { face_.setHoldCount(redraws); };
    net_->face.deviceChanged = [this] { onDeviceChange(); };
    net_->face.modeChanged = [this] { face_.networkRoleChanged(); };
    net_->face.later = [this](int ms, std::function<void()> f) { QTimer::singleShot(ms, this, std::move(f)); };

    // While a stick cannot be opened (another program holds it, its node's
    // permissions are being fixed), look again now and then.
    inUseRetry_.setInterval(kInUseRetryMs);
    connect(&inUseRetry_, &QTimer::timeout, this, [this] {
        if (s_.scanner.unopenedCount() == 0)
            inUseRetry_.stop();
        else
            changeHandler_->DeviceWindowProc(DeviceEvent::DevNodesChanged);
    });
}

MonitorCore::~MonitorCore()
{
    shutdown();
}

void MonitorCore::onDeviceChange()
{
    if (shutDown_)
        return; // the sticks are closed for good
    // The plot is not rebuilt under a running pass or download (a peer's
    // "updateplot" can arrive in one of their waits): a little later.
    if (sampling_->passRunning() || downloading_ || configuring_) {
        QTimer::singleShot(kDeviceChangeRetryMs, this, [this] { onDeviceChange(); });
        return;
    }
    ++deviceChanges_;
    for (const int slot : s_.scanner.takeLeft())
        if (const StickRecord* r = s_.link.slot(slot))
            devCallback_->departed.push_back("Sensor " + std::to_string(slot) + stickLabel(*r) + ": removed");
    guarded("DevChange_callback", [this] { devCallback_->DevChange_callback(); });
    // A stick that came or went shows in the metrics and on the broker at
    // once, also when no pass follows (the last stick was pulled out).
    updateMetrics();
    if (mqtt_)
        mqtt_->sticksChanged();
}

// What a sampling pass hands on.

void MonitorCore::valuesRead()
{
    face_.valuesRead();
}

void MonitorCore::askNetwork()
{
    net_->sendTrigger();
}

void MonitorCore::plotPass(const LocalDateTime& now)
{
    s_.plot.FooterText = formatDateTime(now, s_.plotSettings.FooterFormat.toStdString(), s_.dateFormats);
    if (feedPlotAt(now))
        face_.samplesAdded();
}

bool MonitorCore::feedPlotAt(const LocalDateTime& t)
{
    return Nymdata2plot(s_.plot, s_.link,
                        formatDateTime(t, s_.plotSettings.PlotTimeStampFormat.toStdString(), s_.dateFormats));
}

void MonitorCore::evaluateWarnings()
{
    warnings_->Warnings_Timer_Update();
}

void MonitorCore::note(const QString& text, int row)
{
    face_.note(text, 0, row);
}

void MonitorCore::logPass(const std::string& timeText)
{
    valueLog_->Log_timer_write2file(timeText);
}

void MonitorCore::passDone()
{
    if (HistoryWriter* h = history())
        h->add(passSamples(s_.link, s_.clock.utcMs()));
    if (mqtt_)
        mqtt_->afterPass();
    updateMetrics();
    sayNotes();
}

void MonitorCore::say(const std::string& line)
{
    face_.print(QString::fromStdString(line));
}

void MonitorCore::stickGone(int)
{
    // A stick that left during a pass is closed; the rest of the change (plot,
    // warning levels) follows once the pass is over.
    changeHandler_->DeviceWindowProc(DeviceEvent::DevNodesChanged);
}

void MonitorCore::unexpectedError(const char* procedure, const std::string& description)
{
    if (Err_Requester(procedure, description))
        requestEnd(0);
}

void MonitorCore::sayNotes()
{
    for (const QString& note : s_.settings.takeNotes())
        face_.print(note + "\n");
}

void MonitorCore::updateMetrics()
{
    if (!metrics_)
        return;
    MetricsCounters counters;
    counters.passes = sampling_->passCount();
    counters.reads = sampling_->readCount();
    counters.failedReads = sampling_->failedReadCount();
    counters.deviceChanges = deviceChanges_;
    counters.lastPassSeconds = sampling_->measuredPassSeconds();
    if (HistoryWriter* h = history()) {
        counters.historyRows = h->rowsWritten();
        counters.historyWriteSeconds = h->lastWriteSeconds();
    }
    metrics_->publish(metricFamilies(s_.link, counters, metricsOptions_));
}

void MonitorCore::findSticks()
{
    s_.scanner.rulePath = installedRulePath().toStdString();
    s_.scanner.forService = service;
    s_.scanner.onPermissionProblem = [this](const std::string& advice) {
        face_.print(QString::fromStdString(advice + "\n"));
        s_.trace.LogTrace(advice);
    };
    s_.scanner.onInUse = [this](const std::string& path, const std::string& reason) {
        const std::string line = "The sensor stick at " + path + " is " + reason;
        face_.print(QString::fromStdString(line + "\n"));
        s_.trace.LogTrace(line);
    };
    s_.scanner.onUnopened = [this] {
        if (!inUseRetry_.isActive())
            inUseRetry_.start();
    };
    // The watch runs before the sticks are configured: a stick pulled or
    // plugged meanwhile is kept and handled once the configuration is over.
    changeHandler_->RegisterHIDwindow();
    s_.scanner.Nymstick_Find();
}

void MonitorCore::loadSettings()
{
    const QString waiting = s_.settings.shownText(keys::WaitingForStickString);
    if (!waiting.isEmpty())
        devCallback_->waitingText = waiting;
    s_.plotSettings = loadPlotSettings(s_.settings);
    sampling_->setReadInterval(loadReadInterval(s_.settings));
    sayNotes();
}

void MonitorCore::configureSticks()
{
    configuring_ = true;
    devCallback_->DevChange_callback();
    configuring_ = false;
}

void MonitorCore::startSampling(bool live)
{
    if (s_.link.Nymstick_CountConnected() > 0) {
        sampling_->setRunning(live);
        // The first values come at once rather than one read interval later.
        if (live)
            QTimer::singleShot(0, this, [this] { guarded("Timer1x_Timer", [this] { sampling_->Timer1x_Timer(); }); });
    } else {
        sampling_->setRunning(false); // nothing to sample until a stick comes
        devCallback_->startOnArrival = live;
    }
}

void MonitorCore::startLinks()
{
    changeHandler_->RegisterHIDwindow();
    startHistory();
    startPublishing();
    startMetrics();
    LoadNetworkDefaults(net_->settings, s_.settings);
    net_->Open_Server_or_client();
    sayNotes();
}

void MonitorCore::startPublishing()
{
    const MqttSettings mqtt = loadMqttSettings(s_.settings);
    if (!mqtt.enabled)
        return;
    mqtt_ = std::make_unique<MqttPublisher>(s_.link, s_.clock, mqtt, QString::fromStdString(kProgramVersion));
    mqtt_->setReadInterval(sampling_->requestedInterval());
    mqtt_->client().report = [this](const QString& text) { face_.print(text + "\n"); };
    mqtt_->client().start();
}

void MonitorCore::startMetrics()
{
    const MetricsSettings settings = loadMetricsSettings(s_.settings);
    if (!settings.enabled)
        return;
    std::string error;
    metricsOptions_ = MetricsOptions{settings.networkSticks, kProgramVersion, mqttNodeId(s_.settings).toStdString()};
    metrics_ = MetricsEndpoint::start(settings.listen, error);
    if (!metrics_) {
        metricsProblem_ = error;
        face_.print(QString::fromStdString("Metrics: " + error + "\n"));
        return;
    }
    updateMetrics();
    face_.print(QString("Metrics on port %1\n").arg(metrics_->port()));
}

void MonitorCore::startHistory()
{
    history_ = std::make_unique<HistoryWriter>(loadHistorySettings(s_.settings));
    history_->say = [this](const QString& text) { face_.print(text + "\n"); };
    history_->start();
}

void MonitorCore::restartHistory()
{
    history_.reset();
    startHistory();
    sayNotes();
}

HistorySettings MonitorCore::historySettings() const
{
    return history_ ? history_->settings() : loadHistorySettings(s_.settings);
}

void MonitorCore::restartPublishing()
{
    // The old connections say goodbye first: the node goes offline, the port is free.
    mqtt_.reset();
    metrics_.reset();
    metricsProblem_.clear();
    startPublishing();
    startMetrics();
    sayNotes();
}

QString MonitorCore::mqttState() const
{
    return mqtt_ ? mqtt_->client().state() : QString("off");
}

QString MonitorCore::metricsState() const
{
    if (metrics_)
        return QString::fromStdString("listening on " + metrics_->where());
    return metricsProblem_.empty() ? QString("off") : QString::fromStdString("refused: " + metricsProblem_);
}

} // namespace vs
