#pragma once
#include "plot/plot_feed.h"
#include "plot/plot_model.h"

namespace vs {

class Settings;

// The plot's display options as stored: fonts, check boxes, margins, blue
// component, y-axis title, titles and labels, formats.
PlotSettings loadPlotSettings(const Settings& settings);
// Writes what the plot settings dialog stores when it closes: fonts, check
// boxes, titles and labels, margins, blue component; false when the settings
// file could not be written.
bool savePlotSettings(const PlotSettings& p, Settings& settings);
// The stored sample interval in seconds; 1 when none (or none usable) is stored.
double loadReadInterval(const Settings& settings);
bool saveReadInterval(double seconds, Settings& settings);
// The stored record length, kept within 100 .. 20000.
int loadRecordLength(const Settings& settings);
// The user's curve colours ("Color[" + index + "]") over the standard table.
ColorOverride storedColours(const Settings& settings);
// Enables the curves the user enabled ("ChEnable[" + curve + "]"; only curve 0 by default).
void applyCurveEnables(PlotRecord& plot, const Settings& settings);

} // namespace vs
