#pragma once
#include "plot/plot_model.h"

#include <functional>
#include <optional>
#include <string>

namespace vs {

class StickLink;

// The standard colour of a colour index (index 15 and above: black).
Rgb standardColor(int index);
// The colour of a curve beyond the standard table (n = 0 for the 16th curve):
// distinct hues that stay readable on the plot's background.
Rgb extraColor(int n);
// A user's colour for an index, where one is stored ("Color[" + index + "]").
using ColorOverride = std::function<std::optional<Rgb>(int index, Rgb standard)>;
Rgb plot_ColorMapping(int index, const ColorOverride& override = {});

// One curve per channel of every open slot, in slot then channel order.
void plot_SetupChannels(PlotRecord& plot, const StickLink& link, const ColorOverride& override = {});

// Stores one sample set (value x 100, halves to even) at WriteIndex and moves
// on; the first set of an empty store fills every slot. False when nothing was
// stored (no store, or the walk ran out of open slots).
bool Nymdata2plot(PlotRecord& plot, const StickLink& link, const std::string& timeText,
                  const ColorOverride& override = {});

// Shows a channel's warning levels on the plot: when the stick is open and
// the channel has levels, the plot takes a copy of them.
void InitWarningLevels(PlotRecord& plot, const StickLink& link, int channel, int stick);

} // namespace vs
