#pragma once
#include "common/clock.h"
#include "common/dateformat.h"
#include "plot/plot_model.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "stick/device_scan.h"
#include "stick/hid_backend.h"
#include "stick/stick_link.h"
#include "stick/trace_log.h"

#include <memory>

namespace vs {

struct Services;
class Prompts;

// The program's one instance of each core object, shared by both faces.
// The sticks come from USB, or from the simulated bus that
// VENTISCOPE_SIMULATE describes.
struct ProgramObjects {
    ProgramObjects();
    ~ProgramObjects();

    SystemClock clock;
    StickLink link;
    TraceLog trace{clock};
    SettingsStore store;
    Settings settings{store};
    std::unique_ptr<HidBackend> backend;
    DeviceScanner scanner;
    PlotRecord plot;
    PlotSettings plotSettings;

    // The services a face hands to the core, asking through `prompts`.
    Services services(Prompts& prompts);
};

// The system's own date formats for the "Short Date" kind of format names.
NamedDateFormats systemDateFormats();

} // namespace vs
