#pragma once
#include <functional>
#include <string>

namespace vs {

class StickLink;
class TraceLog;

// Where status lines go: the plot's text box in the window, standard output in a console.
using StatusSink = std::function<void(const std::string& text)>;

// Reads one open slot's configuration, showing progress and errors as status
// lines and in the trace log.
void ConfigureStick(StickLink& link, const TraceLog& trace, const StatusSink& print, int stick);

} // namespace vs
