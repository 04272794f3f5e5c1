#pragma once
#include "common/clock.h"
#include "common/dateformat.h"
#include "plot/plot_model.h"

#include <string>

namespace vs {

class StickLink;
class TraceLog;
class Settings;
class Prompts;
class DeviceScanner;

// The program's one instance of each core object, handed to the window.
struct Services {
    const Clock& clock;
    StickLink& link;
    TraceLog& trace;
    Settings& settings;
    Prompts& prompts;
    DeviceScanner& scanner;
    PlotRecord& plot;
    PlotSettings& plotSettings;
    NamedDateFormats dateFormats{};
    // The program's version; a non-zero revision marks a test build.
    int versionMajor = 0, versionMinor = 1, versionRevision = 0;
};

} // namespace vs
