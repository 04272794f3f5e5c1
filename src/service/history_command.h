#pragma once
#include "core/program_arguments.h"

#include <string>

namespace vs {

// Writes the history (of the settings' database) to standard output; status
// and errors go to standard error. Exit code 0 on success, 1 on failure, 2
// for arguments that are not understood.
int runHistoryExport(int argc, char** argv, const HistoryExportArgs& args);
// Reads a value log into the history, also while a copy of the program
// writes it (SQLite's locking lets one write at a time). Exit code 0 on
// success (lines already there are skipped), 1 on failure.
int runLogImport(int argc, char** argv, const std::string& file, const std::string& stick);
// Copies the history whole into `file` with SQLite's online backup, also
// while a copy writes it. Exit code 0 on success, 1 on failure.
int runHistoryBackup(int argc, char** argv, const std::string& file);

} // namespace vs
