#pragma once
#include "plot/plot_model.h"

namespace vs {

// The fewest positions a zoomed view shows.
constexpr int kLeastSpan = 10;

// The span a wheel step leaves: `factor` times as many positions (below 1:
// zoom in), the position `at` staying where it is on the screen. A span
// that reaches the whole record follows again.
PlotSpan zoomSpan(PlotSpan span, int recordLength, double at, double factor);
// The span moved by a number of positions (negative: back in time), kept within the record.
PlotSpan panSpan(PlotSpan span, int recordLength, int by);
// A zoomed view of a scrolling plot after `added` new samples: the samples
// move one position back each, so the view moves with them (and stops at
// the oldest). A sweeping plot keeps its positions.
PlotSpan spanAfterSamples(PlotSpan span, int recordLength, bool scroll, int added);
// The first position and the count actually shown.
PlotSpan shownSpan(PlotSpan span, int recordLength);

} // namespace vs
