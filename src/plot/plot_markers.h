#pragma once
#include "plot/plot_model.h"

#include <utility>
#include <vector>

namespace vs {

class Raster;

// What marker drawing needs of one drawing.
struct MarkerFrame {
    const PlotRecord& plot;
    bool scroll = true;
    bool gradientColumns = true; // gradient columns, else three solid boxes
    double xs = 1;
    int left = 0, top = 0, bottom = 0, yL0 = 0, yL1 = 0;
    int blue = 0; // the markers' blue, already adjusted for the background
};

MarkerFrame markerGeometry(const PlotRecord& plot, const PlotSettings& settings, double xs, int left, int top,
                           int bottom, int yL0, int yL1, int gradientBlue);

// Where a marked slot is shown: its display position.
int markerPosition(const PlotRecord& plot, bool scroll, int slot);

// The pieces (first, last display position) the marked columns are drawn as:
// runs of neighbouring positions, each single position drawn on its own too.
std::vector<std::pair<int, int>> plot_MarkedSpans(const PlotRecord& plot, bool scroll);

void drawMarkers(Raster& raster, const MarkerFrame& frame);

} // namespace vs
