#pragma once
#include <string>
#include <vector>

namespace vs {

// What `ventiscope --export-history` was asked for.
struct HistoryExportArgs {
    std::string from, to; // ISO 8601, local time unless an offset is given; empty: open
    std::string stick;    // a serial number; empty: every stick
    std::string format = "csv";
    std::string resolution; // raw, minute, hour or day; empty: the finest that covers the range
    bool summary = false;   // --summary=day: the daily statistics
    bool utc = false;
};

// The program's command line, read once: which mode runs, with what. Each
// option is a whole argument ("/dump=--help.txt" is a file name); the
// window's "/" switches are left to it.
struct ProgramArguments {
    enum class Mode { Window, Headless, DownloadFlash, ExportHistory, ImportLog, BackupHistory, ForgetStick, Help, Version };
    Mode mode = Mode::Window;
    // Not empty: a usage error, said with the usage (exit code 2).
    std::string error;
    std::string config;    // --config=FILE: the settings file
    std::string flashFile; // --download-flash=FILE
    std::string endTime;   // --end=HH:MM
    std::string importFile, backupFile, forgetSerial;
    HistoryExportArgs history;
};

ProgramArguments parseArguments(const std::vector<std::string>& arguments);

// The usage text of --help.
extern const char* const kUsage;

} // namespace vs
