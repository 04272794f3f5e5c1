#include "window/window_flash_face.h"

#include "common/prompts.h"
#include "flash/record_list.h"
#include "window/plot_view.h"
#include "dialogs/records_window.h"
#include "core/sampling_loop.h"
#include "info/sensor_info_window.h"
#include "core/value_log.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace vs {

WindowFlashFace::WindowFlashFace(StickLink& link, Prompts& prompts, PlotView& view, SamplingLoop& sampling,
                                 ValueLog& log, SensorInfoWindow& request, RecordsWindow& records)
    : link_(link), prompts_(prompts), view_(view), sampling_(sampling), log_(log), request_(request),
      records_(records)
{
}

void WindowFlashFace::print(const std::string& text)
{
    view_.WinPrint(QString::fromStdString(text));
}

void WindowFlashFace::holdMessage(int redraws)
{
    view_.textBox().gbWinMessage_TimesToPlot = redraws;
}

bool WindowFlashFace::askYesNo(const std::string& question)
{
    return prompts_.askYesNo(question, Prompts::Icon::Question);
}

std::optional<int> WindowFlashFace::chooseRecord(int stick)
{
    records_.RecReq_show(readRecordList(link_, stick));
    records_.exec();
    return records_.chosen();
}

std::optional<FlashRequest> WindowFlashFace::askEndTime(const std::string& caption, const AverageSetup& average)
{
    return request_.request(QString::fromStdString(caption), 0, average);
}

void WindowFlashFace::progress(int done, int total, double secondsLeft)
{
    // One line over the plot, written anew each time.
    QString line = "Downloading value " + QString::number(done) + "...\n(" + QString::number(total) + " values total";
    if (secondsLeft >= 0)
        line += ", " + QString::number(std::lround(secondsLeft)) + " s left";
    view_.WinPrint(QString(QChar(12)));
    view_.WinPrint(line + ", ESC to cancel) ");
    view_.replot();
}

bool WindowFlashFace::samplingRunning()
{
    return sampling_.running();
}

void WindowFlashFace::setSampling(bool on)
{
    sampling_.setRunning(on);
}

void WindowFlashFace::keepPlot()
{
    kept_ = view_.plot();
}

void WindowFlashFace::restorePlot()
{
    view_.plot() = kept_;
    view_.redraw();
}

void WindowFlashFace::setRecordLength(int n)
{
    view_.plot().RecordLength = std::clamp(n, kMinRecordLength, kMaxRecordLength);
    view_.setupStore();
}

void WindowFlashFace::feedPlot(const LocalDateTime& t, bool redraw)
{
    if (feed && feed(t) && redraw)
        view_.replot();
}

void WindowFlashFace::redrawPlot()
{
    view_.replot();
}

void WindowFlashFace::writeLog(const std::string& time)
{
    log_.Log_timer_write2file(time);
}

void WindowFlashFace::processEvents()
{
    QCoreApplication::processEvents();
}

} // namespace vs
