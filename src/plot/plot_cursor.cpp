#include "plot/plot_cursor.h"

#include "common/numformat.h"
#include "stick/stick_link.h"

#include <algorithm>
#include <cmath>

namespace vs {

std::optional<CursorSpot> cursorSpot(const PlotGeometry& g, const PlotRecord& plot, bool scroll, double pointerX)
{
    if (g.Graph_LastZeroLine == 0 || g.Graph_LastYmax == 0 || g.Graph_LastXscale == 0 || plot.RecordLength <= 0)
        return std::nullopt;
    CursorSpot spot;
    const double at = (pointerX - g.Graph_LastMarginL) / g.Graph_LastXscale;
    spot.position = std::clamp(static_cast<int>(roundHalfEven(at)), 0, plot.RecordLength - 1);
    spot.x = static_cast<int>(std::lround(spot.position * g.Graph_LastXscale + g.Graph_LastMarginL));
    spot.slot = scroll ? (plot.WriteIndex + spot.position) % plot.RecordLength : spot.position;
    if (spot.slot < 0 || spot.slot >= plot.RecordLength)
        return std::nullopt;
    return spot;
}

std::vector<std::string> cursorReadout(const PlotRecord& plot, const StickLink& link, int slot)
{
    std::vector<std::string> lines;
    if (!plot.hasStore() || slot < 0 || slot >= plot.RecordLength)
        return lines;
    int shown = 0;
    for (int k = 0; k < plot.nCurves; ++k)
        shown += plot.CurveEnabled[static_cast<size_t>(k)] ? 1 : 0;
    const StickRecord* first = link.slot(0);
    const int perStick = first ? first->nChannels : 0;
    for (int k = 0; k < plot.nCurves; ++k) {
        if (!plot.CurveEnabled[static_cast<size_t>(k)])
            continue;
        const int stick = perStick > 0 ? k / perStick : 0;
        std::string line;
        if (shown >= 2)
            line = (link.SlotsReserved >= 2 ? std::to_string(stick) + ":" : std::string()) +
                   plot.CurveName[static_cast<size_t>(k)] + "=";
        line += plot.at(slot, k) == kNoValue ? std::string("-") : formatNumber(plot.at(slot, k) / 100.0, "###0.00");
        lines.push_back(line);
    }
    return lines;
}

QPoint readoutPlace(double pointerX, double pointerY, QSize label, QSize picture)
{
    const int top = std::clamp(static_cast<int>(std::lround(pointerY)), 0, std::max(0, picture.height() - label.height()));
    const int left = std::clamp(static_cast<int>(std::lround(pointerX - label.width() / 2.0)), 0,
                                std::max(0, picture.width() - label.width()));
    return {left, top};
}

void invertLine(QImage& image, int x, int y0, int y1)
{
    if (x < 0 || x >= image.width() || image.depth() != 32)
        return;
    const int from = std::clamp(std::min(y0, y1), 0, image.height() - 1);
    const int to = std::clamp(std::max(y0, y1), 0, image.height() - 1);
    for (int y = from; y <= to; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        row[x] ^= 0x00FFFFFF;
    }
}

} // namespace vs
