#pragma once
#include "common/clock.h"

#include <string>

namespace vs {

class StickLink;

// Dated lines appended to a text file while tracing is on. Each line opens and
// closes the file, so the log survives a crash and can be read meanwhile.
class TraceLog {
public:
    explicit TraceLog(const Clock& clock);

    bool On = false;
    std::string FileName; // "nymtrace.txt" in the home folder until tracing is enabled

    void LogTrace(const std::string& text) const;
    // Deletes any old file of that name, switches the log on and raises the trace level.
    void enable(const std::string& fileName, StickLink& link);

private:
    const Clock& clock_;
};

// Writes a snapshot of the stick table: the open count, the slot count, then
// each slot's description.
void DumpTraceInfo(StickLink& link, const TraceLog& log);

// "yyyy-mm-dd hh:mm:ss"
std::string traceTimeText(const LocalDateTime& t);

// The user's home folder, where the program's default files live.
std::string homeFolder();

} // namespace vs
