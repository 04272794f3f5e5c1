#include "flash/flash_download.h"

#include "common/dateformat.h"
#include "flash/flash_commands.h"
#include "stick/exchange.h"
#include "stick/stick_link.h"
#include "stick/value_read.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <vector>

namespace vs {

namespace {

constexpr int kMaxRepeats = 5;
// Blocks in a row that stay unreadable after their repeats: the stick is gone.
constexpr int kMaxFailedBlocks = 3;
constexpr int kPlotLimit = 20000;
constexpr const char* kAborted = "Aborted.";

LocalDateTime addSeconds(const LocalDateTime& t, double seconds)
{
    // Whole milliseconds, so that sums of intervals do not drift.
    const double ms = std::round(t.toDays() * 86400000.0 + seconds * 1000.0);
    return LocalDateTime::fromDays(ms / 86400000.0);
}

// Undoes what the download changed, whatever way it ended.
class Restart {
public:
    Restart(StickLink& link, FlashFace& face, int stick, bool sampling)
        : link_(link), face_(face), stick_(stick), sampling_(sampling)
    {
    }
    ~Restart()
    {
        const std::string keep = link_.StickErrorText;
        Nymstick_FlashLog(link_, stick_, true);
        link_.StickErrorText = keep;
        if (failed)
            face_.restorePlot();
        face_.setSampling(sampling_);
        face_.print("\f");
    }
    bool failed = true;

private:
    StickLink& link_;
    FlashFace& face_;
    int stick_;
    bool sampling_;
};

bool fail(StickLink& link, const std::string& message)
{
    link.StickErrorText = message;
    return false;
}

} // namespace

std::optional<LocalDateTime> recordingEnd(const std::string& endTime, const LocalDateTime& now)
{
    int hour = -1, minute = -1;
    size_t i = 0;
    auto number = [&](int& out) {
        size_t start = i;
        int v = 0;
        while (i < endTime.size() && std::isdigit(static_cast<unsigned char>(endTime[i])) && i - start < 2)
            v = v * 10 + (endTime[i++] - '0');
        if (i == start)
            return false;
        out = v;
        return true;
    };
    while (i < endTime.size() && endTime[i] == ' ')
        ++i;
    if (!number(hour) || i >= endTime.size() || endTime[i] != ':')
        return std::nullopt;
    ++i;
    if (!number(minute) || hour > 23 || minute > 59)
        return std::nullopt;
    while (i < endTime.size() && endTime[i] == ' ')
        ++i;
    if (i != endTime.size())
        return std::nullopt;
    LocalDateTime end = now;
    end.hour = hour;
    end.minute = minute;
    end.second = 0;
    end.millisecond = 0;
    // A recording cannot end in the future: that time was yesterday.
    if (end.toDays() > now.toDays())
        end = LocalDateTime::fromDays(end.toDays() - 1);
    return end;
}

bool Flash_download(StickLink& link, FlashFace& face, const Clock& clock, bool engineeringMode)
{
    if (link.SlotsReserved >= 2)
        return fail(link, "Please remove all sticks except one, then retry this operation.");
    link.StickErrorText = "Not supported";
    for (int stick = 0; stick < link.SlotsReserved; ++stick) {
        const StickRecord* s = link.slot(stick);
        if (!s || s->ProtocolVersion < 1)
            continue;
        const int protocol = s->ProtocolVersion;
        if (!engineeringMode) {
            Nymstick_SetReadMode(link, stick, 0);
        } else if (protocol < 3) {
            Nymstick_SetReadMode(link, stick, face.askYesNo("Download all data?") ? 1 : 0);
        } else if (Nymstick_nRecords(link, stick) > 1) {
            const std::optional<int> chosen = face.chooseRecord(stick);
            if (!chosen) {
                link.StickErrorText.clear();
                return true; // closed without a choice: nothing to fetch
            }
            if (*chosen < 0)
                Nymstick_SetReadMode(link, stick, 1);
            else
                Nymstick_SetRecord(link, stick, *chosen);
        } else {
            Nymstick_SetReadMode(link, stick, 0);
        }
        AverageSetup average;
        if (protocol >= 3) {
            const int stored = Nymstick_LogBufferSize(link, stick);
            average.show = engineeringMode;
            average.minimum = 0;
            average.maximum = static_cast<int>(std::lround(stored * 0.1));
        }
        return ReadFlashLog(link, face, clock, stick, average);
    }
    return false;
}

bool ReadFlashLog(StickLink& link, FlashFace& face, const Clock& clock, int stick, const AverageSetup& average)
{
    const StickRecord* s = link.slot(stick);
    if (!s || s->ProtocolVersion < 1)
        return false;
    const int protocol = s->ProtocolVersion;
    face.keepPlot();
    Restart restart(link, face, stick, face.samplingRunning());
    face.setSampling(false);

    const int perReport = flashValuesPerReport(link, stick);
    std::vector<uint8_t> buffer;
    if (face.escapePressed())
        return fail(link, kAborted);
    double interval = logIntervalSeconds(link, stick);
    if (interval == 0)
        return fail(link, "Unknown log interval");

    Nymstick_FlashLog(link, stick, false);
    int n = Nymstick_LogBufferSize(link, stick);
    if (n <= 0)
        return fail(link, "No data found");
    nym_ask(link, "*IDN?", stick);
    face.print("\f");
    face.holdMessage(0);
    const double duration = (0.02 + interval) * n;

    const std::optional<FlashRequest> answer = face.askEndTime("Log date", duration, average);
    if (!answer)
        return fail(link, kAborted);
    const std::optional<LocalDateTime> end = recordingEnd(answer->endTime, clock.now());
    if (!end)
        return fail(link, "The end time \"" + answer->endTime + "\" is not a time of day (HH:MM).");
    if (protocol >= 3) {
        const int a = answer->average;
        Nymstick_SetAvg(link, stick, a);
        if (a > 0) {
            n = static_cast<int>(std::lround(static_cast<double>(n) / a));
            interval *= a;
        }
    }
    if (n <= 0)
        return fail(link, "No data found");
    // The plot holds at most its limit; the value log gets every value.
    face.setRecordLength(std::min(n, kPlotLimit));
    LocalDateTime t = addSeconds(*end, -duration);

    int taken = 0;
    uint32_t last = 0;
    int failedBlocks = 0;
    std::string lastError;
    while (taken < n) {
        link.StickErrorText.clear();
        int16_t result = Nymstick_LogBufferRead(link, stick, buffer);
        for (int repeat = 0; !link.StickErrorText.empty() && protocol >= 4 && repeat < kMaxRepeats &&
                             result != kBinSendFailure;
             ++repeat) {
            link.beep(1500, 10);
            link.StickErrorText.clear();
            result = nym_ask_short_bin(link, "NAK", stick, buffer, 1, true);
        }
        if (!link.StickErrorText.empty() || !link.Nymstick_isOpen(stick)) {
            lastError = link.StickErrorText.empty() ? "the stick is not connected" : link.StickErrorText;
            // A stick that takes no command any more is gone: its block is not made up.
            if (++failedBlocks >= kMaxFailedBlocks || result == kBinSendFailure || !link.Nymstick_isOpen(stick))
                return fail(link, "The download stopped after " + std::to_string(taken) + " of " +
                                      std::to_string(n) + " values: the stick does not answer (" + lastError + ").");
        } else {
            failedBlocks = 0;
        }
        const bool good = link.StickErrorText.empty();
        size_t at = 2;
        for (int v = 0; v < perReport && taken < n; ++v) {
            ++taken;
            const std::optional<uint32_t> raw = GetU16(buffer, at);
            if (good && raw)
                last = *raw;
            Nymstick_SetChannelRaw(link, stick, 0, last);
            for (int c = 1; c <= 4; ++c)
                Nymstick_SetChannelRaw(link, stick, c, 0);
            face.feedPlot(t, taken % 512 == 0);
            face.writeLog(formatDateTime(t, "yyyy-mm-dd Hh:Nn:Ss"));
            face.processEvents();
            t = addSeconds(t, interval);
            if (face.escapePressed())
                return fail(link, kAborted);
        }
        face.print("\fDownloading value " + std::to_string(taken) + "...\n(" + std::to_string(n) +
                   " values total, ESC to cancel) ");
    }
    link.StickErrorText.clear();
    face.redrawPlot();
    restart.failed = false;
    return true;
}

} // namespace vs
