#pragma once
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace vs {

// The largest value the plot stores (as value x 100 in 32 bits), either way:
// half the 32-bit range, so that the span between two values fits it too.
constexpr double kLargestPlotValue = 10737418.23;
// The one slot value that no reading can give (readings are clamped to the
// value above): the channel had no value at that sample. It is drawn as a
// gap, shown as "-" and left out of the scale.
constexpr int32_t kNoValue = INT32_MIN;

// Colours are 32-bit RGB values with red in the lowest byte.
using Rgb = uint32_t;
constexpr Rgb rgb(int r, int g, int b)
{
    return static_cast<Rgb>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

// The one plot model: a ring of RecordLength sample slots holding value x 100
// per curve, the curves, the scale, the markers and the warning levels.
struct PlotRecord {
    int WriteIndex = 0;
    int RecordLength = 100;
    int nCurves = 0;
    // Data[slot * nCurves + curve]; empty until the store is created.
    std::vector<int32_t> Data;
    std::vector<std::string> SampleText;
    std::vector<std::string> CurveLabel;
    std::vector<std::string> CurveName;
    std::vector<std::string> CurveUnit;
    std::vector<Rgb> CurveColor;
    std::vector<int16_t> CurvePenWidth;
    std::vector<bool> CurveEnabled;
    int32_t MaxValue = 0;
    int32_t Range = 1;
    Rgb BackColor = rgb(255, 255, 255);
    int BaseMargin[4] = {30, 40, 50, 40}; // left, right, top, bottom
    std::string FooterText;
    int nMarkers = 0;
    std::vector<int16_t> Markers{0};
    std::vector<double> WarnLevels;
    // The curve the warning levels belong to (-1: none known); lanes draw
    // the levels and the gradient in that curve's lane.
    int WarnCurve = -1;

    bool hasStore() const
    {
        return nCurves > 0 && RecordLength > 0 && Data.size() == static_cast<size_t>(RecordLength) * nCurves &&
               SampleText.size() == static_cast<size_t>(RecordLength);
    }
    int32_t& at(int slot, int curve) { return Data[static_cast<size_t>(slot) * nCurves + curve]; }
    int32_t at(int slot, int curve) const { return Data[static_cast<size_t>(slot) * nCurves + curve]; }
    int enabledCount() const;
};

// A legend entry as drawn: the curve and its rectangle in the picture.
struct LegendSpot {
    int curve = 0;
    int x = 0, y = 0, width = 0, height = 0;
};

// What the last drawing left for the cursor, the quick buttons and the legend.
struct PlotGeometry {
    int MarginTop = 0, MarginLeft = 0, MarginBottom = 0, MarginRight = 0;
    int Graph_LastZeroLine = 0;
    int Graph_LastYmax = 0;
    double Graph_LastXscale = 0;
    // Where display position 0 lies (left of the plot when zoomed in).
    int Graph_LastMarginL = 0;
    std::vector<LegendSpot> Legend;
};

// The display positions shown: `count` positions from `first`; a count of 0
// shows the whole record and follows new samples.
struct PlotSpan {
    int first = 0;
    int count = 0;
    bool following() const { return count <= 0; }
};

// The colours of everything that is not a curve. Dark: the counterparts for
// a dark desktop, and every curve is lightened until it reads on the
// background.
struct PlotInk {
    bool dark = false;
    Rgb back = rgb(255, 255, 255); // used only when dark; else the plot's BackColor
    Rgb text = rgb(0, 0, 0);
    Rgb axis = rgb(128, 128, 128);
    Rgb grid = rgb(224, 224, 224);
    Rgb pale = rgb(192, 192, 192);
};
PlotInk lightInk();
PlotInk darkInk();

struct FontSpec {
    QString name = "MS Sans Serif";
    double size = 8;
    bool bold = false, underline = false, italic = false;
};

// The display options the drawing reads at every redraw.
struct PlotSettings {
    bool PlotAutoScale = true;
    bool PlotGrid = false;
    bool PlotScroll = true;
    bool PlotBkgGradient = true;
    bool ShowYvalues = true;
    bool PlotGradientWarnings = true;
    int Margin[4] = {20, 20, 20, 20}; // top, left, bottom, right
    int GradientBcomponent = 128;
    QString TitleLines[4] = {"Air quality trend", "", "", ""};
    QString gYaxisTitle;
    QString PlotTimeStampFormat = "Hh:Nn:Ss";
    QString FooterFormat = "Short Date";
    FontSpec FontSet[2] = {FontSpec{}, FontSpec{"MS Sans Serif", 12}};
    // One lane per unit, each with its own scale ("Plot" "Lanes").
    bool PlotLanes = false;
    PlotSpan View;
    PlotInk Ink;
};

constexpr int kMinRecordLength = 100;
constexpr int kMaxRecordLength = 20000;
// An entered record length is kept within 100 .. 20000.
int clampRecordLength(int n);

void plot_Init(PlotRecord& plot);
void plot_AddCurve(PlotRecord& plot, const std::string& label, Rgb colour);
// Creates an empty store for the current curves (all 0, every time text "")
// and starts writing at slot 0.
void plot_SetupStore(PlotRecord& plot);

} // namespace vs
