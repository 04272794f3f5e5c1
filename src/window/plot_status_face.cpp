#include "window/plot_status_face.h"

#include "window/plot_view.h"

namespace vs {

void PlotStatusFace::print(const QString& text)
{
    view_.WinPrint(text);
}

void PlotStatusFace::note(const QString& text, long number, int row)
{
    view_.WinNote(text, number, row);
}

bool PlotStatusFace::statusShown() const
{
    return view_.textBox().TextVisible;
}

int PlotStatusFace::holdCount() const
{
    return view_.textBox().gbWinMessage_TimesToPlot;
}

void PlotStatusFace::setHoldCount(int redraws)
{
    view_.textBox().gbWinMessage_TimesToPlot = redraws;
}

void PlotStatusFace::storeReset()
{
    view_.replot();
}

void PlotStatusFace::samplesAdded()
{
    if (!wideEnough || wideEnough())
        view_.replot();
}

} // namespace vs
