#include "plot/plot_model.h"

#include <algorithm>

namespace vs {

int PlotRecord::enabledCount() const
{
    return static_cast<int>(std::count(CurveEnabled.begin(), CurveEnabled.end(), true));
}

PlotInk lightInk()
{
    return {};
}

PlotInk darkInk()
{
    PlotInk ink;
    ink.dark = true;
    ink.back = rgb(30, 32, 36);
    ink.text = rgb(230, 230, 230);
    ink.axis = rgb(160, 160, 160);
    ink.grid = rgb(70, 72, 78);
    ink.pale = rgb(110, 110, 110);
    return ink;
}

int clampRecordLength(int n)
{
    return std::clamp(n, kMinRecordLength, kMaxRecordLength);
}

void plot_Init(PlotRecord& plot)
{
    plot.BackColor = rgb(255, 255, 255);
    plot.BaseMargin[0] = 30;
    plot.BaseMargin[1] = 40;
    plot.BaseMargin[2] = 50;
    plot.BaseMargin[3] = 40;
    plot.WriteIndex = 0;
    plot.nCurves = 0;
    plot.CurveLabel.clear();
    plot.CurveName.clear();
    plot.CurveUnit.clear();
    plot.CurveColor.clear();
    plot.CurvePenWidth.clear();
    plot.CurveEnabled.clear();
    plot.Data.clear();
    plot.SampleText.clear();
}

void plot_AddCurve(PlotRecord& plot, const std::string& label, Rgb colour)
{
    ++plot.nCurves;
    plot.CurveLabel.push_back(label);
    plot.CurveName.emplace_back();
    plot.CurveUnit.emplace_back();
    plot.CurveColor.push_back(colour);
    plot.CurvePenWidth.push_back(1);
    plot.CurveEnabled.push_back(true);
}

void plot_SetupStore(PlotRecord& plot)
{
    plot.WriteIndex = 0;
    if (plot.RecordLength <= 0 || plot.nCurves <= 0) {
        plot.Data.clear();
        plot.SampleText.clear();
        return;
    }
    plot.Data.assign(static_cast<size_t>(plot.RecordLength) * plot.nCurves, 0);
    plot.SampleText.assign(static_cast<size_t>(plot.RecordLength), std::string());
}

} // namespace vs
