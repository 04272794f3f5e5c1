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

// "NAK" repeats of one block at most.
constexpr int kMaxRepeats = 5;
constexpr int kPlotLimit = 20000;
// The progress is told at most this often.
constexpr double kProgressEveryMs = 1000;
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
        if (!summary.empty())
            face_.print(summary);
    }
    bool failed = true;
    // The status line a successful download leaves.
    std::string summary;

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

namespace {

// Fetches the values of one download, block by block: each "LBR" is sent
// once; a block that does not come (or comes broken) is asked for again with
// "NAK", each repeat waiting a poll delay longer for a slow stick. A late
// reply to an earlier try carries another sequence byte and is passed over
// by the exchange. No value is ever guessed: the fetch fails instead.
class BlockFetcher {
public:
    BlockFetcher(StickLink& link, int stick, int protocol) : link_(link), stick_(stick), protocol_(protocol) {}

    // The next block's payload in `buffer`; false with StickErrorText set.
    bool next(std::vector<uint8_t>& buffer)
    {
        link_.StickErrorText.clear();
        int16_t result = nym_ask_short_bin(link_, "LBR", stick_, buffer, 1, true);
        for (int repeat = 1; result != kBinOk; ++repeat) {
            const std::string error = link_.StickErrorText.empty() ? "no reply" : link_.StickErrorText;
            if (protocol_ < 4) {
                link_.StickErrorText = "a block could not be read (" + error +
                                       ") and this stick cannot send a block again";
                return false;
            }
            if (repeat > kMaxRepeats || result == kBinSendFailure || !link_.Nymstick_isOpen(stick_)) {
                link_.StickErrorText = "the stick does not answer (" + error + ")";
                return false;
            }
            link_.beep(1500, 10);
            const StickRecord* s = link_.slot(stick_);
            const int patience = (s && s->PollDelayMs > 0 ? s->PollDelayMs : 30) * repeat;
            result = nym_ask_short_bin(link_, "NAK", stick_, buffer, 1, true, patience);
        }
        link_.StickErrorText.clear();
        return true;
    }

private:
    StickLink& link_;
    int stick_;
    int protocol_;
};

// Seconds the rest will take at the pace so far; negative before the first block.
double secondsLeft(const Clock& clock, double startedMs, int done, int total)
{
    if (done <= 0)
        return -1;
    const double perValue = (clock.elapsedMs() - startedMs) / 1000.0 / done;
    return perValue * (total - done);
}

} // namespace

bool ReadFlashLog(StickLink& link, FlashFace& face, const Clock& clock, int stick, const AverageSetup& average)
{
    const StickRecord* s = link.slot(stick);
    if (!s || s->ProtocolVersion < 1)
        return false;
    const int protocol = s->ProtocolVersion;
    // Refused before anything changes on the stick or the plot.
    const int perReport = flashValuesPerReport(link, stick);
    if (perReport <= 0)
        return fail(link, "The stick's input reports of " + std::to_string(s->InputReportLength) +
                              " bytes are too short to carry flash values.");
    face.keepPlot();
    Restart restart(link, face, stick, face.samplingRunning());
    face.setSampling(false);

    if (face.escapePressed())
        return fail(link, kAborted);
    double interval = logIntervalSeconds(link, stick);
    if (interval == 0)
        return fail(link, "Unknown log interval");

    // Stop the recorder, count what it holds, "*IDN?" (the reply is not
    // used) and, without an averaging field, no averaging: sent back to back.
    const bool noAveraging = protocol >= 3 && !average.show;
    std::vector<std::string> commands = {"FLSTOP", "LBSIZE?", "*IDN?"};
    if (noAveraging)
        commands.push_back("LBAVG;0");
    const std::vector<std::string> replies = nym_ask_batch(link, commands, stick);
    int n = logBufferSizeFromReply(replies[1]);
    if (n <= 0)
        return fail(link, "No data found");
    face.print("\f");
    face.holdMessage(0);
    const double duration = (0.02 + interval) * n;

    const std::optional<FlashRequest> answer = face.askEndTime("Log date", average);
    if (!answer)
        return fail(link, kAborted);
    const std::optional<LocalDateTime> end = recordingEnd(answer->endTime, clock.now());
    if (!end)
        return fail(link, "The end time \"" + answer->endTime + "\" is not a time of day (HH:MM).");
    if (protocol >= 3 && !noAveraging) {
        const int a = answer->average;
        Nymstick_SetAvg(link, stick, a);
        if (a > 0) {
            n = static_cast<int>(std::lround(static_cast<double>(n) / a));
            interval *= a;
        }
    }
    if (n <= 0)
        return fail(link, "No data found");

    // Every value first; the plot and the log get them only once all are in.
    std::vector<uint16_t> values;
    values.reserve(static_cast<size_t>(n));
    BlockFetcher blocks(link, stick, protocol);
    std::vector<uint8_t> buffer;
    const double startedMs = clock.elapsedMs();
    double shownMs = -1e9;
    bool ended = false;
    while (!ended && static_cast<int>(values.size()) < n) {
        if (!blocks.next(buffer))
            return fail(link, "The download stopped after " + std::to_string(values.size()) + " of " +
                                  std::to_string(n) + " values: " + link.StickErrorText + ".");
        size_t at = 2;
        for (int v = 0; v < perReport && static_cast<int>(values.size()) < n; ++v) {
            const std::optional<uint32_t> raw = GetU16(buffer, at);
            // 65535 marks the end of the stick's data.
            if (!raw || *raw == 0xFFFF) {
                ended = true;
                break;
            }
            values.push_back(static_cast<uint16_t>(*raw));
        }
        face.processEvents();
        if (face.escapePressed())
            return fail(link, kAborted);
        if (clock.elapsedMs() - shownMs >= kProgressEveryMs || ended || static_cast<int>(values.size()) >= n) {
            shownMs = clock.elapsedMs();
            face.progress(static_cast<int>(values.size()), n,
                          secondsLeft(clock, startedMs, static_cast<int>(values.size()), n));
        }
    }
    if (values.empty())
        return fail(link, "No data found");

    // The recording ends at the end time: its first value lies its length
    // before (the part of it that the stick's data held).
    const int count = static_cast<int>(values.size());
    face.setRecordLength(std::min(count, kPlotLimit));
    LocalDateTime t = addSeconds(*end, -duration * count / n);
    for (int i = 0; i < count; ++i) {
        // The recorder keeps channel 0 only: the others have no value.
        Nymstick_SetChannelRaw(link, stick, 0, values[static_cast<size_t>(i)]);
        if (StickRecord* s = link.slot(stick))
            for (size_t c = 1; c < s->Channels.size(); ++c) {
                s->Channels[c].LastValue = 0;
                s->Channels[c].HasValue = false;
            }
        face.feedPlot(t, (i + 1) % 512 == 0);
        face.writeLog(formatDateTime(t, "yyyy-mm-dd Hh:Nn:Ss"));
        if (face.keepValue)
            face.keepValue(stick, t);
        if ((i + 1) % 512 == 0)
            face.processEvents();
        t = addSeconds(t, interval);
    }
    link.StickErrorText.clear();
    face.redrawPlot();
    restart.failed = false;
    restart.summary = "Downloaded " + std::to_string(count) + " values" +
                      (count < n ? " (the stick's data ended after " + std::to_string(count) + " of " +
                                       std::to_string(n) + ")"
                                 : std::string()) +
                      ".\n";
    return true;
}

} // namespace vs
