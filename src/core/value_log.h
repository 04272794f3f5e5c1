#pragma once
#include "core/line_file.h"

#include <QString>

#include <optional>
#include <string>

namespace vs {

class StickLink;
class Settings;
class Prompts;
class Face;
struct PlotRecord;

// The log file's lines, CR LF ended, TAB separated.
std::string logHeaderLine(const StickLink& link, const PlotRecord& plot);
std::string logDataLine(const StickLink& link, const PlotRecord& plot, const std::string& timeText,
                        char decimalSeparator);
// The last header line in the log file (its last 256 KiB), "" when none.
std::string lastHeaderIn(const QString& fileName);
// The whole "Save current buffer data..." file.
std::string bufferFileText(const PlotRecord& plot, char decimalSeparator);

// Appends one line per sampling pass to the value log while logging is on,
// and writes the buffer file. Each line opens, appends and closes the file,
// so another program can read or move it between passes (a rotated log goes
// on in a new file); a line reaches the file whole or not at all, and a
// failing log is said once when it starts failing and once when it works
// again. A header line starts every file the log writes to (a new, a
// rotated, a recreated one) and comes again whenever the columns change, so
// that every line is read under the header of its own columns.
class ValueLog {
public:
    // Write errors become status lines of the face; logging on or off shows
    // in its menu.
    ValueLog(const StickLink& link, const PlotRecord& plot, Settings& settings, Prompts& prompts, Face& face);

    char decimalSeparator;

    bool on() const { return on_; }
    const QString& fileName() const { return fileName_; }

    void Log_TurnOn(const QString& fileName);
    void Log_TurnOff();
    void Log_WriteHeaders(const QString& fileName);
    std::optional<QString> Ask4LogFile();
    void Log_Toggle();
    // False when the line could not be written (the user is told).
    bool Log_timer_write2file(const std::string& timeText);
    void mSave_Click();
    // Start-up: the stored log file, and logging on when "Log2file" is 1.
    void restoreFromSettings();
    // The file may have been moved or replaced (SIGHUP after a rotation):
    // the next line looks at it afresh.
    void reopen();
    // How lines reach the file (tests make it fail part-way).
    LineFile& lineFile() { return file_; }

private:
    bool appendLine(const std::string& line, QString& error);

    const StickLink& link_;
    const PlotRecord& plot_;
    Settings& settings_;
    Prompts& prompts_;
    Face& face_;
    QString fileName_;
    LineFile file_;
    bool on_ = false;
    std::string lastHeader_; // the header the file's lines stand under now
    bool failing_ = false;
};

} // namespace vs
