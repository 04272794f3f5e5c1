#include "history/history_writer.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSemaphore>
#include <QTimer>

#include <sqlite3.h>

#include <sys/stat.h>

namespace vs {

namespace {
constexpr int kPruneStep = 2000; // rows deleted at a time: a pass waits at most for one step
constexpr size_t kWriteBatch = 4000; // samples per transaction when catching up

qint64 inodeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? static_cast<qint64>(st.st_ino) : 0;
}
} // namespace

HistoryWriter::HistoryWriter(HistorySettings settings, QObject* parent)
    : QObject(parent), settings_(std::move(settings))
{
}

HistoryWriter::~HistoryWriter()
{
    if (!active_)
        return;
    std::atomic<long> left{0};
    QSemaphore done;
    QMetaObject::invokeMethod(worker_, [this, &left, &done] {
        for (QTimer* timer : worker_->findChildren<QTimer*>())
            timer->stop();
        // The last samples get a short while, never longer: a locked or full
        // file does not hold the shut-down.
        if (store_ && store_->isOpen())
            store_->db().setBusyTimeout(finalWriteMs);
        write();
        left = static_cast<long>(pending_.size());
        {
            const std::lock_guard<std::mutex> lock(storeMutex_);
            store_.reset();
        }
        worker_->deleteLater();
        done.release();
    });
    // Whatever the writing thread is busy with (a long prune, a slow disk),
    // the end comes within finalTotalMs: what runs then is interrupted and
    // what is not written yet is said.
    if (!done.tryAcquire(1, finalTotalMs)) {
        ending_ = true;
        {
            const std::lock_guard<std::mutex> lock(storeMutex_);
            if (store_ && store_->isOpen())
                sqlite3_interrupt(store_->db().handle());
        }
        done.acquire();
    }
    thread_.quit();
    thread_.wait();
    if (left > 0 && say)
        say("History: " + QString::number(left) + " samples could not be written to " + settings_.path +
            " before the end; they are not in the history.");
}

bool HistoryWriter::start()
{
    if (!settings_.enabled)
        return false;
    QDir().mkpath(QFileInfo(settings_.path).absolutePath());
    lock_ = std::make_unique<QLockFile>(settings_.path + ".lock");
    lock_->setStaleLockTime(0); // a lock is stale only when its process is gone
    if (!lock_->tryLock(0) && lock_->error() == QLockFile::LockFailedError) {
        qint64 pid = 0;
        QString host, app;
        lock_->getLockInfo(&pid, &host, &app);
        tell("History: " + settings_.path + " is written by another copy of Ventiscope" +
             (pid > 0 ? " (process " + QString::number(pid) + ")" : QString()) + "; this copy keeps no history.");
        return false;
    }
    store_ = std::make_unique<HistoryStore>();
    // The store is used on the writing thread only from now on.
    worker_ = new QObject;
    worker_->moveToThread(&thread_);
    thread_.setObjectName("history");
    thread_.start(QThread::LowPriority);
    QMetaObject::invokeMethod(worker_, [this] {
        openStore();
        auto* pruning = new QTimer(worker_);
        pruning->setInterval(pruneEveryMs);
        QObject::connect(pruning, &QTimer::timeout, worker_, [this] { prune(); });
        pruning->start();
        auto* checking = new QTimer(worker_);
        checking->setInterval(retryEveryMs);
        QObject::connect(checking, &QTimer::timeout, worker_, [this] { check(); });
        checking->start();
        prune();
    });
    active_ = true;
    return true;
}

void HistoryWriter::add(std::vector<HistorySample> samples)
{
    if (!active_ || samples.empty())
        return;
    QMetaObject::invokeMethod(worker_, [this, samples = std::move(samples)]() mutable {
        for (HistorySample& s : samples)
            pending_.push_back(std::move(s));
        // Beyond what is held, the oldest go (said once).
        if (pending_.size() > kHeldSamples) {
            const size_t over = pending_.size() - kHeldSamples;
            pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(over));
            if (!std::exchange(dropping_, true))
                tell("History: " + QString::number(kHeldSamples) + " samples wait to be written to " + settings_.path +
                     "; the oldest are dropped from now on.");
        }
        held_ = static_cast<long>(pending_.size());
        if (trouble_.isEmpty() || trouble_ == "locked")
            write();
    });
}

void HistoryWriter::flush()
{
    if (active_)
        QMetaObject::invokeMethod(worker_, [] {}, Qt::BlockingQueuedConnection);
}

void HistoryWriter::openStore()
{
    if (!lock_->isLocked() && !lock_->tryLock(0)) {
        trouble("folder", "History: " + settings_.path + " cannot be used: its folder " +
                              QFileInfo(settings_.path).absolutePath() +
                              " cannot be written; it is tried again every minute.");
        return;
    }
    QString notice;
    try {
        store_->open(settings_.path, &notice);
        // A file damaged inside (not only a bad header) shows in a bounded check.
        if (notice.isEmpty())
            if (const QString problems = store_->quickCheck(); !problems.isEmpty()) {
                store_->close();
                const QString aside = moveAside(settings_.path);
                notice = "History: " + settings_.path + " is damaged (" + problems.left(200) + "); it was moved to " +
                         aside + " and a new history begun.";
                store_->open(settings_.path);
            }
    } catch (const SqlError& e) {
        store_->close();
        trouble("folder", "History: " + settings_.path + " cannot be used (" + QString::fromStdString(e.what()) +
                              "); it is tried again every minute.");
        return;
    }
    if (!notice.isEmpty())
        tell(notice);
    inode_ = inodeOf(settings_.path);
    troubleOver("folder", "History: writing to " + settings_.path + ".");
}

void HistoryWriter::write()
{
    if (!store_ || !store_->isOpen())
        return;
    while (!pending_.empty() && !ending_) {
        const size_t n = std::min(pending_.size(), kWriteBatch);
        const std::vector<HistorySample> batch(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(n));
        QElapsedTimer timer;
        timer.start();
        try {
            rows_ += store_->add(batch);
            lastWriteSeconds_ = timer.nsecsElapsed() / 1e9;
        } catch (const SqlError& e) {
            if (ending_)
                return; // interrupted at the end: what is left is said then
            if (e.corrupt()) {
                store_->close();
                const QString aside = moveAside(settings_.path);
                tell("History: " + settings_.path + " is damaged (" + QString::fromStdString(e.what()) +
                     "); it was moved to " + aside + " and a new history begun.");
                openStore();
                if (!store_->isOpen())
                    return;
                continue;
            }
            if (e.busy())
                trouble("locked", "History: " + settings_.path +
                                      " is locked by another program; the samples wait in memory until it lets go.");
            else if (e.diskFull())
                trouble("full", "History: the disk of " + settings_.path +
                                    " is full; the samples wait in memory (sampling, the value log and publishing go on).");
            else
                trouble("failed", "History: writing to " + settings_.path + " failed (" +
                                      QString::fromStdString(e.what()) + "); the samples wait in memory.");
            return;
        }
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(n));
        held_ = static_cast<long>(pending_.size());
    }
    if (ending_)
        return;
    troubleOver(trouble_, "History: writing again to " + settings_.path + "; what waited is written.");
    dropping_ = false;
}

bool HistoryWriter::fileReplaced() const
{
    return settings_.path != ":memory:" && inodeOf(settings_.path) != inode_;
}

void HistoryWriter::check()
{
    if (!store_)
        return;
    if (!store_->isOpen()) {
        openStore();
    } else if (fileReplaced()) {
        // Deleted or replaced while open: what is written would be lost with the old file.
        store_->close();
        tell("History: " + settings_.path + " was deleted or replaced; a new one is begun.");
        openStore();
    }
    write();
}

void HistoryWriter::prune()
{
    if (!store_ || !store_->isOpen() || !trouble_.isEmpty())
        return;
    try {
        if (store_->prune(QDateTime::currentMSecsSinceEpoch(), settings_.rawDays, settings_.rollupDays,
                          settings_.hourDays, kPruneStep))
            QTimer::singleShot(0, worker_, [this] { prune(); }); // more: after what waits
    } catch (const SqlError& e) {
        if (!e.diskFull() && !e.busy())
            tell("History: pruning " + settings_.path + " failed (" + QString::fromStdString(e.what()) + ").");
    }
}

void HistoryWriter::trouble(const QString& kind, const QString& text)
{
    if (trouble_ == kind)
        return;
    trouble_ = kind;
    tell(text);
}

void HistoryWriter::troubleOver(const QString& kind, const QString& text)
{
    if (trouble_.isEmpty() || trouble_ != kind)
        return;
    trouble_.clear();
    tell(text);
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
