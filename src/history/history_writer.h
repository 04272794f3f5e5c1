#pragma once
#include "history/history_settings.h"
#include "history/history_store.h"

#include <QLockFile>
#include <QObject>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

namespace vs {

// The history written on a thread of its own: a sampling pass hands its
// samples over and goes on. One copy of the program writes one database
// (a lock file beside it); a full disk pauses the history (said once, tried
// again a minute later); a damaged file is moved aside and a new one begun.
// Old rows are pruned once an hour, in small steps.
class HistoryWriter : public QObject {
    Q_OBJECT
public:
    explicit HistoryWriter(HistorySettings settings, QObject* parent = nullptr);
    ~HistoryWriter() override; // writes what was handed over, then stops

    // Said on the caller's thread: problems, and their end.
    std::function<void(const QString&)> say;

    // Takes the lock and opens the database; false (and said why) when this
    // copy keeps no history.
    bool start();
    bool active() const { return active_; }
    const HistorySettings& settings() const { return settings_; }
    // Hands samples to the writing thread.
    void add(std::vector<HistorySample> samples);
    // Waits until everything handed over is written (tests, shut-down).
    void flush();

    long rowsWritten() const { return rows_.load(); }
    double lastWriteSeconds() const { return lastWriteSeconds_.load(); }
    bool paused() const { return paused_.load(); }

    int pruneEveryMs = 3600 * 1000;
    int pauseMs = 60 * 1000;

private:
    void write(const std::vector<HistorySample>& samples); // on the writing thread
    void prune();
    void tell(const QString& text);

    HistorySettings settings_;
    std::unique_ptr<QLockFile> lock_;
    QThread thread_;
    QObject* worker_ = nullptr; // lives on thread_
    std::unique_ptr<HistoryStore> store_;
    bool active_ = false;
    std::atomic<long> rows_{0};
    std::atomic<double> lastWriteSeconds_{0};
    std::atomic<bool> paused_{false};
    qint64 pausedUntil_ = 0;
};

} // namespace vs
