#pragma once
#include "flash/flash_download.h"

#include <QString>

#include <functional>
#include <string>

namespace vs {

class StickLink;

// A flash download without a window: the end time comes from the command
// line, progress and the outcome go to status lines, and the values are
// collected in the value log's format (a header line, then one line per
// value with its own time stamp) for a file that is written only when every
// value has been read.
class FileFlashFace final : public FlashFace {
public:
    FileFlashFace(StickLink& link, int stick, std::string endTime, std::function<void(const std::string&)> line);

    // Set from outside (a termination signal): the download stops, nothing is written.
    bool stop = false;

    bool escapePressed() override { return stop; }
    void print(const std::string& text) override;
    void holdMessage(int) override {}
    bool askYesNo(const std::string&) override { return false; }
    std::optional<int> chooseRecord(int) override { return std::nullopt; }
    std::optional<FlashRequest> askEndTime(const std::string& caption, const AverageSetup& average) override;
    void progress(int done, int total, double secondsLeft) override;
    bool samplingRunning() override { return false; }
    void setSampling(bool) override {}
    void keepPlot() override {}
    void restorePlot() override {}
    void setRecordLength(int) override {}
    void feedPlot(const LocalDateTime&, bool) override {}
    void redrawPlot() override {}
    void writeLog(const std::string& time) override;
    void processEvents() override;

    int values() const { return values_; }
    // Writes the collected lines to the file (whole, or not at all); false
    // with `error` set when that failed.
    bool save(const QString& fileName, QString& error) const;

private:
    StickLink& link_;
    int stick_;
    std::string endTime_;
    std::function<void(const std::string&)> line_;
    char separator_;
    std::string text_;
    int values_ = 0;
};

} // namespace vs
