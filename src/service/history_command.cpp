#include "service/history_command.h"

#include "history/history_backup.h"
#include "history/history_export.h"
#include "history/history_reader.h"
#include "history/history_settings.h"
#include "history/history_summary.h"
#include "history/log_import.h"
#include "settings/settings.h"
#include "settings/settings_store.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <iostream>
#include <optional>

namespace vs {

namespace {

HistorySettings historySettings()
{
    SettingsStore store;
    Settings settings(store);
    return loadHistorySettings(settings);
}

struct Application {
    Application(int& argc, char** argv) : app(argc, argv) { QCoreApplication::setApplicationName("Ventiscope"); }
    QCoreApplication app;
};

} // namespace

int runHistoryExport(int argc, char** argv, const HistoryExportArgs& args)
{
    Application app(argc, argv);
    ExportRequest request;
    request.csv = args.format == "csv";
    request.utc = args.utc;
    request.decimal = QLocale::system().decimalPoint().at(0).toLatin1(); // as the value log writes them
    for (const auto& [text, out, wholeDay] : {std::tuple{&args.from, &request.fromMs, false},
                                               std::tuple{&args.to, &request.toMs, true}}) {
        if (text->empty())
            continue;
        const auto ms = isoTimeMs(QString::fromStdString(*text), wholeDay);
        if (!ms) {
            std::cerr << "ventiscope: " << *text << " is not an ISO 8601 time (2026-12-07T09:00)\n";
            return 2;
        }
        *out = *ms;
    }
    if (request.fromMs >= request.toMs) {
        std::cerr << "ventiscope: --from " << args.from << " is not before --to " << args.to << "\n";
        return 2;
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
        std::vector<SeriesInfo> chosen;
        QStringList held;
        for (const SeriesInfo& s : listSeries(db)) {
            if (!held.contains(s.who.serial))
                held << s.who.serial;
            if (request.serials.isEmpty() || request.serials.contains(s.who.serial))
                chosen.push_back(s);
        }
        if (!request.serials.isEmpty() && chosen.empty()) {
            std::cerr << "ventiscope: the history holds no stick " << args.stick << "; it holds "
                      << (held.isEmpty() ? QString("none") : held.join(", ")).toStdString() << "\n";
            return 1;
        }
        QFile out;
        out.open(stdout, QIODevice::WriteOnly);
        QString error;
        if (args.summary) {
            const HistorySummary summary = summarize(db, request.serials, request.fromMs, request.toMs);
            if (!writeSummary(summary, out, error)) {
                std::cerr << "ventiscope: " << error.toStdString() << "\n";
                return 1;
            }
            out.flush();
            std::cerr << "Summed up " << summary.rows.size() << " rows (the time above a level counted per "
                      << levelName(summary.counted) << ") from " << h.path.toStdString() << ".\n";
            return 0;
        }
        if (const auto level = levelNamed(QString::fromStdString(args.resolution))) {
            request.level = *level;
        } else {
            // The finest level the history still keeps for the whole range.
            Level covering = Level::Raw;
            for (const SeriesInfo& s : chosen)
                covering = std::max(covering, levelCovering(s, std::max(request.fromMs, s.firstMs), Level::Raw));
            request.level = covering;
            if (covering != Level::Raw)
                std::cerr << "The range reaches back past the samples kept one by one: exported per "
                          << levelName(covering) << " (mean, least and greatest value).\n";
        }
        long rows = 0;
        if (!exportHistory(db, request, out, error, &rows)) {
            std::cerr << "ventiscope: " << error.toStdString() << "\n";
            return 1;
        }
        out.flush();
        std::cerr << "Exported " << rows << " rows (" << levelName(request.level) << ") from " << h.path.toStdString()
                  << ".\n";
    } catch (const SqlError& e) {
        std::cerr << "ventiscope: the history " << h.path.toStdString() << " cannot be read: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

int runLogImport(int argc, char** argv, const std::string& file, const std::string& stick)
{
    Application app(argc, argv);
    const HistorySettings h = historySettings();
    ImportCounts counts;
    QString error;
    bool ok = false;
    try {
        // A running copy may write the same file: each transaction waits for
        // the other's (SQLite's lock), the copy keeps its samples meanwhile.
        HistoryStore store;
        QString notice;
        store.open(h.path, &notice);
        store.db().setBusyTimeout(30000);
        if (!notice.isEmpty())
            std::cerr << notice.toStdString() << "\n";
        ok = importLog(store, QString::fromStdString(file), QString::fromStdString(stick), counts, error);
    } catch (const SqlError& e) {
        error = "the history " + h.path + " cannot be written: " + QString::fromStdString(e.what());
    }
    std::cerr << "Read " << counts.lines << " lines of " << file << ": " << counts.added << " samples added, "
              << counts.skipped << " already there"
              << (counts.bad ? ", " + std::to_string(counts.bad) + " lines without a time" : "") << ".\n";
    if (!ok)
        std::cerr << "ventiscope: " << error.toStdString() << "\n";
    return ok ? 0 : 1;
}

int runHistoryBackup(int argc, char** argv, const std::string& file)
{
    Application app(argc, argv);
    const HistorySettings h = historySettings();
    const QString target = QFileInfo(QString::fromLocal8Bit(file.c_str())).absoluteFilePath();
    QString error;
    if (!backupHistory(h.path, target, error)) {
        std::cerr << "ventiscope: the history could not be backed up to " << file << ": " << error.toStdString() << "\n";
        return 1;
    }
    std::cerr << "Backed up " << h.path.toStdString() << " to " << target.toStdString() << ".\n";
    return 0;
}

} // namespace vs
