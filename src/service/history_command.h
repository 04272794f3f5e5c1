#pragma once
#include <string>

namespace vs {

// What `ventiscope --export-history` was asked for.
struct HistoryExportArgs {
    std::string from, to; // ISO 8601, local time unless an offset is given; empty: open
    std::string stick;    // a serial number; empty: every stick
    std::string format = "csv";
};

// Writes the history (of the settings' database) to standard output; status
// and errors go to standard error. Exit code 0 on success, 1 on failure, 2
// for arguments that are not understood.
int runHistoryExport(int argc, char** argv, const HistoryExportArgs& args);
// Reads a value log into the history. Exit code 0 on success (lines already
// there are skipped), 1 on failure.
int runLogImport(int argc, char** argv, const std::string& file, const std::string& stick);

} // namespace vs
