#pragma once
#include "common/clock.h"

#include <functional>
#include <optional>
#include <string>

namespace vs {

class StickLink;

// What the user answered in the request window: the end time "HH:MM" and
// the averaging factor (0: none).
struct FlashRequest {
    std::string endTime;
    int average = 0;
};

// The averaging field of the request window: shown or not, its limits, and
// the value it starts with.
struct AverageSetup {
    bool show = false;
    int minimum = 0;
    int maximum = 0;
};

// What a download needs from its surroundings. The window shows the progress
// over the plot and feeds the plot and the value log; a test records it all.
class FlashFace {
public:
    virtual ~FlashFace() = default;
    // True once Escape was pressed in the main window since the download began.
    virtual bool escapePressed() = 0;
    // Status text over the plot ("\f" clears it) and how long it stays (0: for good).
    virtual void print(const std::string& text) = 0;
    virtual void holdMessage(int redraws) = 0;
    virtual bool askYesNo(const std::string& question) = 0;
    // The records window: -1 for "ALL", k for recording k, no value when the
    // user closed it without a choice.
    virtual std::optional<int> chooseRecord(int stick) = 0;
    // The request window titled `caption`, proposing the current time; no
    // value when the user cancelled.
    virtual std::optional<FlashRequest> askEndTime(const std::string& caption, const AverageSetup& average) = 0;
    // How far the fetching is: values done of the total, and the seconds it
    // will still take at the pace so far (negative while not yet known).
    virtual void progress(int done, int total, double secondsLeft) = 0;
    virtual bool samplingRunning() = 0;
    virtual void setSampling(bool on) = 0;
    // The plot: a snapshot to come back to, the ring resized for the download,
    // one sample fed (the stick's LastValues) at time `t`, the final redraw.
    virtual void keepPlot() = 0;
    virtual void restorePlot() = 0;
    virtual void setRecordLength(int n) = 0;
    virtual void feedPlot(const LocalDateTime& t, bool redraw) = 0;
    virtual void redrawPlot() = 0;
    // One value log line for the stick's LastValues at `t` ("yyyy-mm-dd Hh:Nn:Ss").
    virtual void writeLog(const std::string& time) = 0;
    // Lets the window handle its events.
    virtual void processEvents() = 0;

    // Each downloaded value of `stick` at `t` (its channel 0's LastValue), for
    // the history; called only once every value was read.
    std::function<void(int stick, const LocalDateTime& t)> keepValue;
};

// The "Download flash" command: fetches a stick's flash recording into the
// plot and the value log. True on success; otherwise StickErrorText says why.
//
// Every value is read once and in order, or the download fails: a block that
// does not come is fetched again with "NAK" (protocol 4 and above) and never
// made up; the value 65535 ends the recording. Nothing reaches the plot or
// the value log before every value has been read.
bool Flash_download(StickLink& link, FlashFace& face, const Clock& clock, bool engineeringMode);

// The download proper for one stick; `average` sets up the averaging field
// (its maximum is the stored count x 0.1). On success a status line says how
// many values were downloaded.
bool ReadFlashLog(StickLink& link, FlashFace& face, const Clock& clock, int stick, const AverageSetup& average);

// When a recording that ended at `endTime` ("HH:MM") on `now`'s day ended:
// today, or yesterday when that time is still to come today. No value for a
// time that is not "HH:MM".
std::optional<LocalDateTime> recordingEnd(const std::string& endTime, const LocalDateTime& now);

} // namespace vs
