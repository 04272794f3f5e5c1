#include "history/history_settings.h"

#include "settings/key_table.h"
#include "settings/settings.h"

#include <QDir>
#include <QStandardPaths>

#include <algorithm>

namespace vs {

QString defaultHistoryPath()
{
    // $XDG_DATA_HOME/Ventiscope (the service sets it to its state folder).
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath("Ventiscope/history.sqlite");
}

HistorySettings loadHistorySettings(Settings& s)
{
    HistorySettings h;
    h.enabled = s.number(keys::HistoryEnabled) != 0;
    const QString path = s.text(keys::HistoryPath).trimmed();
    h.path = path.isEmpty() ? defaultHistoryPath() : path;
    const auto days = [&s](const KeyDef& key, int fallback) {
        const QString text = s.text(key).trimmed();
        bool ok = false;
        const int n = text.toInt(&ok);
        if (ok && n >= 1 && n <= 36500)
            return n;
        if (!text.isEmpty())
            s.noteFallback(key, 0, text, QString::number(fallback));
        return fallback;
    };
    h.rawDays = days(keys::HistoryRawDays, 30);
    h.rollupDays = days(keys::HistoryRollupDays, 730);
    h.hourDays = days(keys::HistoryHourDays, 3650);
    // A coarser level shorter than a finer one would leave a hole: raised, and said.
    if (h.rollupDays < h.rawDays) {
        s.noteFallback(keys::HistoryRollupDays, 0, QString::number(h.rollupDays), QString::number(h.rawDays));
        h.rollupDays = h.rawDays;
    }
    if (h.hourDays < h.rollupDays) {
        s.noteFallback(keys::HistoryHourDays, 0, QString::number(h.hourDays), QString::number(h.rollupDays));
        h.hourDays = h.rollupDays;
    }
    return h;
}

} // namespace vs
