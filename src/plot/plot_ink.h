#pragma once
#include "plot/plot_model.h"

namespace vs {

// The contrast of two colours as the accessibility guidelines count it:
// (lighter + 0.05) / (darker + 0.05) of their relative luminances, 1 to 21.
double contrastRatio(Rgb a, Rgb b);
// The colour itself when it reads on the background (contrast at least
// `least`), else mixed toward white (on a dark background) or black until it does.
Rgb readableOn(Rgb colour, Rgb background, double least = 3.0);
// The colour a curve is drawn in with this ink: its own on the light look,
// made readable on the dark one.
Rgb curveInk(const PlotInk& ink, Rgb colour);
// The background the plot is drawn on.
Rgb backgroundOf(const PlotRecord& plot, const PlotInk& ink);

} // namespace vs
