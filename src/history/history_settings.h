#pragma once
#include <QString>

namespace vs {

class Settings;

// The section "History": on unless "Enabled" is 0; the database at "Path"
// (default $XDG_DATA_HOME/Ventiscope/history.sqlite); raw samples kept for
// "RawDays" (30), per-minute rollups for "RollupDays" (730), hourly ones for
// "HourDays" (3650). A coarser level is kept at least as long as a finer one.
struct HistorySettings {
    bool enabled = true;
    QString path;
    int rawDays = 30;
    int rollupDays = 730;
    int hourDays = 3650;
};

HistorySettings loadHistorySettings(Settings& settings);
QString defaultHistoryPath();

} // namespace vs
