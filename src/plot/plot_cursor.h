#pragma once
#include "plot/plot_model.h"

#include <QImage>
#include <QPoint>
#include <QSize>

#include <optional>
#include <string>
#include <vector>

namespace vs {

class StickLink;

// Where the held cursor stands: the sample position under the pointer
// (halves to even, kept within the record), its x in the picture, and the
// ring slot it shows.
struct CursorSpot {
    int position = 0;
    int x = 0;
    int slot = 0;
};
// No spot while the plot has not been drawn.
std::optional<CursorSpot> cursorSpot(const PlotGeometry& g, const PlotRecord& plot, bool scroll, double pointerX);

// The readout: one line per enabled curve, the value alone when only one
// curve is shown, otherwise "[stick:]name=value" ("###0.00").
std::vector<std::string> cursorReadout(const PlotRecord& plot, const StickLink& link, int slot);

// The readout box's top-left corner: under the pointer, centred on it, kept
// inside the picture.
QPoint readoutPlace(double pointerX, double pointerY, QSize label, QSize picture);

// Inverts the pixels of a vertical line; drawing it twice leaves the picture as it was.
void invertLine(QImage& image, int x, int y0, int y1);

} // namespace vs
