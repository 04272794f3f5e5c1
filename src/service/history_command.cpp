#include "service/history_command.h"

#include "history/history_export.h"
#include "history/history_reader.h"
#include "history/history_settings.h"
#include "history/log_import.h"
#include "settings/settings.h"
#include "settings/settings_store.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <iostream>

namespace vs {

namespace {

std::optional<int64_t> isoTime(const std::string& text)
{
    const QString t = QString::fromStdString(text);
    QDateTime d = QDateTime::fromString(t, Qt::ISODateWithMs);
    if (!d.isValid())
        d = QDateTime::fromString(t, Qt::ISODate);
    if (!d.isValid())
        d = QDateTime(QDate::fromString(t, Qt::ISODate), QTime(0, 0));
    if (!d.isValid())
        return std::nullopt;
    return d.toMSecsSinceEpoch();
}

HistorySettings historySettings()
{
    SettingsStore store;
    Settings settings(store);
    return loadHistorySettings(settings);
}

} // namespace

int runHistoryExport(int argc, char** argv, const HistoryExportArgs& args)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("Ventiscope");
    ExportRequest request;
    if (args.format != "csv" && args.format != "tsv") {
        std::cerr << "ventiscope: --format is csv or tsv, not " << args.format << "\n";
        return 2;
    }
    request.csv = args.format == "csv";
    for (const auto& [text, out] : {std::pair{&args.from, &request.fromMs}, std::pair{&args.to, &request.toMs}}) {
        if (text->empty())
            continue;
        const auto ms = isoTime(*text);
        if (!ms) {
            std::cerr << "ventiscope: " << *text << " is not an ISO 8601 time (2026-12-07T09:00)\n";
            return 2;
        }
        *out = *ms;
    }
    if (!args.stick.empty())
        request.serials << QString::fromStdString(args.stick);
    const HistorySettings h = historySettings();
    if (!QFileInfo::exists(h.path)) {
        std::cerr << "ventiscope: there is no history at " << h.path.toStdString() << "\n";
        return 1;
    }
    try {
        SqlDatabase db;
        db.open(h.path, true);
        if (!request.serials.isEmpty()) {
            QStringList held;
            for (const SeriesInfo& s : listSeries(db))
                if (!held.contains(s.who.serial))
                    held << s.who.serial;
            if (!held.contains(request.serials.front())) {
                std::cerr << "ventiscope: the history holds no stick " << args.stick << "; it holds "
                          << (held.isEmpty() ? QString("none") : held.join(", ")).toStdString() << "\n";
                return 1;
            }
        }
        QFile out;
        out.open(stdout, QIODevice::WriteOnly);
        QString error;
        long rows = 0;
        if (!exportHistory(db, request, out, error, &rows)) {
            std::cerr << "ventiscope: " << error.toStdString() << "\n";
            return 1;
        }
        out.flush();
        std::cerr << "Exported " << rows << " rows from " << h.path.toStdString() << ".\n";
    } catch (const SqlError& e) {
        std::cerr << "ventiscope: the history " << h.path.toStdString() << " cannot be read: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

int runLogImport(int argc, char** argv, const std::string& file, const std::string& stick)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("Ventiscope");
    const HistorySettings h = historySettings();
    QLockFile lock(h.path + ".lock");
    lock.setStaleLockTime(0);
    QFileInfo(h.path).absoluteDir().mkpath(".");
    if (!lock.tryLock(0)) {
        if (lock.error() == QLockFile::LockFailedError)
            std::cerr << "ventiscope: " << h.path.toStdString()
                      << " is written by a running copy of Ventiscope; end it, then import again.\n";
        else
            std::cerr << "ventiscope: the history " << h.path.toStdString()
                      << " cannot be written: its folder cannot be written\n";
        return 1;
    }
    ImportCounts counts;
    QString error;
    bool ok = false;
    try {
        HistoryStore store;
        QString notice;
        store.open(h.path, &notice);
        if (!notice.isEmpty())
            std::cerr << notice.toStdString() << "\n";
        ok = importLog(store, QString::fromStdString(file), QString::fromStdString(stick), counts, error);
    } catch (const SqlError& e) {
        error = "the history " + h.path + " cannot be written: " + QString::fromStdString(e.what());
    }
    std::cerr << "Read " << counts.lines << " lines of " << file << ": " << counts.added << " samples added, "
              << counts.skipped << " already there" << (counts.bad ? ", " + std::to_string(counts.bad) + " lines without a time" : "")
              << ".\n";
    if (!ok)
        std::cerr << "ventiscope: " << error.toStdString() << "\n";
    return ok ? 0 : 1;
}

} // namespace vs
