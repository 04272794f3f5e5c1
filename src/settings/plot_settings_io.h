#pragma once
#include "plot/plot_feed.h"
#include "plot/plot_model.h"

namespace vs {

class Settings;

// The plot's display options as stored: fonts, check boxes, margins, blue
// component, y-axis title, titles and labels, formats.
PlotSettings loadPlotSettings(const Settings& settings);
// The stored record length, kept within 100 .. 20000.
int loadRecordLength(const Settings& settings);
// The user's curve colours ("Color[" + index + "]") over the standard table.
ColorOverride storedColours(const Settings& settings);
// Enables the curves the user enabled ("ChEnable[" + curve + "]"; only curve 0 by default).
void applyCurveEnables(PlotRecord& plot, const Settings& settings);

} // namespace vs
