#include "history/history_writer.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>

namespace vs {

namespace {
constexpr int kPruneStep = 2000; // rows deleted at a time: a pass waits at most for one step
} // namespace

HistoryWriter::HistoryWriter(HistorySettings settings, QObject* parent)
    : QObject(parent), settings_(std::move(settings))
{
}

HistoryWriter::~HistoryWriter()
{
    if (!active_)
        return;
    flush();
    QMetaObject::invokeMethod(worker_, [this] {
        store_.reset();
        worker_->deleteLater();
    }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

bool HistoryWriter::start()
{
    if (!settings_.enabled)
        return false;
    QDir().mkpath(QFileInfo(settings_.path).absolutePath());
    lock_ = std::make_unique<QLockFile>(settings_.path + ".lock");
    lock_->setStaleLockTime(0); // a lock is stale only when its process is gone
    if (!lock_->tryLock(0) && lock_->error() != QLockFile::LockFailedError) {
        tell("History: " + settings_.path + " cannot be used: its folder " +
             QFileInfo(settings_.path).absolutePath() + " cannot be written; this copy keeps no history.");
        return false;
    }
    if (!lock_->isLocked()) {
        qint64 pid = 0;
        QString host, app;
        lock_->getLockInfo(&pid, &host, &app);
        tell("History: " + settings_.path + " is written by another copy of Ventiscope" +
             (pid > 0 ? " (process " + QString::number(pid) + ")" : QString()) +
             "; this copy keeps no history.");
        return false;
    }
    store_ = std::make_unique<HistoryStore>();
    QString notice;
    try {
        store_->open(settings_.path, &notice);
    } catch (const SqlError& e) {
        tell("History: " + settings_.path + " cannot be used (" + QString::fromStdString(e.what()) +
             "); this copy keeps no history.");
        store_.reset();
        return false;
    }
    if (!notice.isEmpty())
        tell(notice);
    // The store is used on the writing thread only from now on.
    worker_ = new QObject;
    worker_->moveToThread(&thread_);
    thread_.setObjectName("history");
    thread_.start(QThread::LowPriority);
    QMetaObject::invokeMethod(worker_, [this] {
        auto* timer = new QTimer(worker_);
        timer->setInterval(pruneEveryMs);
        QObject::connect(timer, &QTimer::timeout, worker_, [this] { prune(); });
        timer->start();
        prune();
    });
    active_ = true;
    return true;
}

void HistoryWriter::add(std::vector<HistorySample> samples)
{
    if (!active_ || samples.empty())
        return;
    QMetaObject::invokeMethod(worker_, [this, samples = std::move(samples)] { write(samples); });
}

void HistoryWriter::flush()
{
    if (active_)
        QMetaObject::invokeMethod(worker_, [] {}, Qt::BlockingQueuedConnection);
}

void HistoryWriter::write(const std::vector<HistorySample>& samples)
{
    if (!store_)
        return;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (paused_ && now < pausedUntil_)
        return;
    QElapsedTimer timer;
    timer.start();
    try {
        rows_ += store_->add(samples);
        lastWriteSeconds_ = timer.nsecsElapsed() / 1e9;
        if (paused_.exchange(false))
            tell("History: writing again to " + settings_.path + ".");
    } catch (const SqlError& e) {
        if (e.diskFull()) {
            // Sampling, the value log and publishing go on; the history waits.
            pausedUntil_ = now + pauseMs;
            if (!paused_.exchange(true))
                tell("History: the disk of " + settings_.path +
                     " is full; the history is paused (sampling, the value log and publishing go on).");
        } else if (e.corrupt()) {
            store_->close();
            const QString aside = moveAside(settings_.path);
            tell("History: " + settings_.path + " is damaged (" + QString::fromStdString(e.what()) +
                 "); it was moved to " + aside + " and a new history begun.");
            try {
                store_->open(settings_.path);
                rows_ += store_->add(samples);
            } catch (const SqlError& again) {
                tell("History: a new " + settings_.path + " cannot be begun either (" +
                     QString::fromStdString(again.what()) + "); the history stops.");
                store_.reset();
            }
        } else {
            tell("History: writing to " + settings_.path + " failed (" + QString::fromStdString(e.what()) +
                 "); these samples are not in the history.");
        }
    }
}

void HistoryWriter::prune()
{
    if (!store_ || paused_)
        return;
    try {
        if (store_->prune(QDateTime::currentMSecsSinceEpoch(), settings_.rawDays, settings_.rollupDays, kPruneStep))
            QTimer::singleShot(0, worker_, [this] { prune(); }); // more: after what waits
    } catch (const SqlError& e) {
        if (!e.diskFull())
            tell("History: pruning " + settings_.path + " failed (" + QString::fromStdString(e.what()) + ").");
    }
}

void HistoryWriter::tell(const QString& text)
{
    // Said on the thread that owns the writer, where `say` was set.
    QMetaObject::invokeMethod(this, [this, text] {
        if (say)
            say(text);
    }, Qt::QueuedConnection);
}

} // namespace vs
