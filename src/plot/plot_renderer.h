#pragma once
#include "plot/plot_model.h"

#include <QImage>

#include <functional>

namespace vs {

// What the window draws over a fresh plot, in this order.
struct PlotOverlays {
    std::function<void(QImage&)> WinPrint_Replot;
    std::function<void(QImage&)> ActOnFlags;
    std::function<void(QImage&)> ActOnCursor;
};

// How curves are drawn: reduced per pixel column straight into the image
// (the program's way), or one painter line per segment (for comparison).
enum class CurveDrawing { Decimated, PainterPerSegment };

// Sets MaxValue and Range from every enabled curve's stored values.
void plot_AutoScale(PlotRecord& plot, const PlotSettings& settings);
// Paints the plot without rescaling and leaves the margins and cursor
// geometry in `geometry`. False (and the image untouched) when there is no
// curve or no room to draw.
bool plot_Draw(const PlotRecord& plot, const PlotSettings& settings, QImage& image, PlotGeometry& geometry,
               CurveDrawing how = CurveDrawing::Decimated);
// Rescales, paints and draws the overlays.
void plot_Replot(PlotRecord& plot, const PlotSettings& settings, QImage& image, PlotGeometry& geometry,
                 const PlotOverlays& overlays = {});

// An image for the plot: 32-bit, at 96 dots per inch so that point sizes
// read as on a desktop screen.
QImage makePlotImage(int width, int height);

} // namespace vs
