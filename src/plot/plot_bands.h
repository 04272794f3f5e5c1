#pragma once
#include "plot/plot_raster.h"

namespace vs {

// The three warning bands behind the plot and the records window's
// thumbnails, each filled from x1 to x2 between y1 (top) and y2 (bottom):
// green at the bottom turning yellow at the top, the logarithmic yellow-to-red
// ramp, and a red box. `blue` is the blue component of every colour.
void plot_GradientGreenYellow(Raster& r, int x1, int y1, int x2, int y2, int blue);
void plot_GradientYellowRed(Raster& r, int x1, int y1, int x2, int y2, int blue);
void plot_RedBox(Raster& r, int x1, int y1, int x2, int y2, int blue);

} // namespace vs
