#pragma once
#include "flash/flash_download.h"
#include "plot/plot_model.h"

#include <functional>

namespace vs {

class StickLink;
class Prompts;
class PlotView;
class SamplingLoop;
class ValueLog;
class SensorInfoWindow;
class RecordsWindow;

// The flash download as the main window shows it: progress over the plot,
// values into the plot and the value log, the request and records windows.
class WindowFlashFace final : public FlashFace {
public:
    WindowFlashFace(StickLink& link, Prompts& prompts, PlotView& view, SamplingLoop& sampling, ValueLog& log,
                    SensorInfoWindow& request, RecordsWindow& records);

    // Feeds one sample set at a time stamp into the plot (the window's formats).
    std::function<bool(const LocalDateTime&)> feed;
    bool escape = false;

    bool escapePressed() override { return escape; }
    void print(const std::string& text) override;
    void holdMessage(int redraws) override;
    bool askYesNo(const std::string& question) override;
    std::optional<int> chooseRecord(int stick) override;
    std::optional<FlashRequest> askEndTime(const std::string& caption, const AverageSetup& average) override;
    void progress(int done, int total, double secondsLeft) override;
    bool samplingRunning() override;
    void setSampling(bool on) override;
    void keepPlot() override;
    void restorePlot() override;
    void setRecordLength(int n) override;
    void feedPlot(const LocalDateTime& t, bool redraw) override;
    void redrawPlot() override;
    void writeLog(const std::string& time) override;
    void processEvents() override;

private:
    StickLink& link_;
    Prompts& prompts_;
    PlotView& view_;
    SamplingLoop& sampling_;
    ValueLog& log_;
    SensorInfoWindow& request_;
    RecordsWindow& records_;
    PlotRecord kept_;
};

} // namespace vs
