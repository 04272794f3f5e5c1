#include "stick/trace_log.h"

#include "stick/stick_info.h"
#include "stick/stick_link.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace vs {

std::string homeFolder()
{
    const char* home = std::getenv("HOME");
    return home && *home ? home : ".";
}

std::string traceTimeText(const LocalDateTime& t)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    return buf;
}

TraceLog::TraceLog(const Clock& clock) : FileName(homeFolder() + "/nymtrace.txt"), clock_(clock) {}

void TraceLog::LogTrace(const std::string& text) const
{
    if (!On)
        return;
    // A trace line that cannot be written is dropped; tracing never stops the program.
    std::ofstream out(FileName, std::ios::app | std::ios::binary);
    if (out)
        out << traceTimeText(clock_.now()) << ' ' << text << '\n';
}

void TraceLog::enable(const std::string& fileName, StickLink& link)
{
    std::remove(fileName.c_str());
    FileName = fileName;
    On = true;
    link.TraceLevel = 230;
}

void DumpTraceInfo(StickLink& link, const TraceLog& log)
{
    log.LogTrace("Nymstick_CountConnected =" + std::to_string(link.Nymstick_CountConnected()));
    log.LogTrace("nNymsticks =" + std::to_string(link.SlotsReserved));
    for (int i = 0; i < link.SlotsReserved; ++i)
        log.LogTrace(StickDescription(link, i));
}

} // namespace vs
