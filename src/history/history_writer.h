#pragma once
#include "history/history_settings.h"
#include "history/history_store.h"

#include <QLockFile>
#include <QObject>
#include <QThread>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace vs {

// The history written on a thread of its own: a sampling pass hands its
// samples over and goes on; nothing on the caller's thread ever waits for
// the file. One copy of the program writes one database (a lock file beside
// it; an import or a backup by another process meets it through SQLite's own
// locking). What cannot be written yet (the file locked by another process,
// a full disk, a folder that cannot be written) is held in memory, up to
// kHeldSamples, and written once it can be; a folder that cannot be written
// is tried again every minute, a file that was deleted or replaced is noticed
// within a minute and a new one begun, a damaged one is moved aside (at the
// start a bounded check finds one). Each of these is said once, and once more
// when it is over. Old rows are pruned once an hour, in small steps, and the
// file gives the space back.
class HistoryWriter : public QObject {
    Q_OBJECT
public:
    explicit HistoryWriter(HistorySettings settings, QObject* parent = nullptr);
    ~HistoryWriter() override; // writes what was handed over (or says what could not be), then stops

    // Said on the caller's thread: problems, and their end.
    std::function<void(const QString&)> say;

    // Takes the lock and starts the writing thread; false (and said why) when
    // another copy writes this history or it is switched off. A folder that
    // cannot be written yet is no reason: it is tried again every minute.
    bool start();
    bool active() const { return active_; }
    const HistorySettings& settings() const { return settings_; }
    // Hands samples to the writing thread.
    void add(std::vector<HistorySample> samples);
    // Waits until everything handed over is written or held (tests, shut-down).
    void flush();

    long rowsWritten() const { return rows_.load(); }
    double lastWriteSeconds() const { return lastWriteSeconds_.load(); }
    // Samples handed over but not yet in the file.
    long held() const { return held_.load(); }
    bool paused() const { return held_.load() > 0; }

    // About an hour of four sticks at one pass a second.
    static constexpr size_t kHeldSamples = 4 * 3600;
    int pruneEveryMs = 3600 * 1000;
    int retryEveryMs = 60 * 1000;
    // How long the last write may take to end at the shut-down.
    int finalWriteMs = 3000;
    // How long the shut-down waits for the writing thread in all.
    int finalTotalMs = 4000;

private:
    // On the writing thread.
    void openStore();
    void write();
    void prune();
    void check(); // the file still there, the folder writable again
    bool fileReplaced() const;
    void tell(const QString& text);
    void trouble(const QString& kind, const QString& text);
    void troubleOver(const QString& kind, const QString& text);

    HistorySettings settings_;
    std::unique_ptr<QLockFile> lock_;
    QThread thread_;
    QObject* worker_ = nullptr; // lives on thread_
    std::unique_ptr<HistoryStore> store_;
    bool active_ = false;
    std::atomic<bool> ending_{false}; // the shut-down's time is up: write no more
    std::mutex storeMutex_;           // the store's end against an interrupt from the shut-down
    std::atomic<long> rows_{0};
    std::atomic<double> lastWriteSeconds_{0};
    std::atomic<long> held_{0};
    // On the writing thread: what waits to be written, what the file is.
    std::deque<HistorySample> pending_;
    QString trouble_; // the kind said last ("locked", "full", ...), "" when all is well
    bool dropping_ = false;
    qint64 inode_ = 0;
};

} // namespace vs
