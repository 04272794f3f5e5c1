#include "core/sampling_loop.h"

#include "common/dateformat.h"
#include "common/flag_guard.h"
#include "common/numformat.h"
#include "stick/channel_state.h"
#include "stick/config_read.h"
#include "stick/report_io.h"
#include "stick/stick_link.h"
#include "stick/trace_log.h"
#include "stick/value_read.h"

#include <chrono>
#include <cmath>
#include <exception>

namespace vs {

SamplingLoop::SamplingLoop(StickLink& link, const Clock& clock, const TraceLog& trace, PassSteps& steps,
                           QObject* parent)
    : QObject(parent), link_(link), clock_(clock), trace_(trace), steps_(steps)
{
    Timer1.setObjectName("Timer1");
    Timer1.setTimerType(Qt::PreciseTimer);
    Timer1.setInterval(timerPeriodMs(readInterval_));
    connect(&Timer1, &QTimer::timeout, this, [this] {
        try {
            Timer1_Timer();
        } catch (const std::exception& e) {
            steps_.unexpectedError("Timer1_Timer", e.what());
        }
    });
}

int SamplingLoop::timerPeriodMs(double seconds)
{
    return static_cast<int>(roundHalfEven(seconds * 1000 / 4));
}

void SamplingLoop::setRunning(bool on)
{
    if (on && !Timer1.isActive())
        Timer1.start();
    else if (!on)
        Timer1.stop();
}

bool SamplingLoop::setReadInterval(double seconds)
{
    if (!applyInterval(seconds))
        return false;
    requested_ = seconds;
    fastPasses_ = 0;
    return true;
}

bool SamplingLoop::applyInterval(double seconds)
{
    if (!std::isfinite(seconds))
        return false;
    const int period = timerPeriodMs(seconds);
    if (period < 1 || period > 65535)
        return false;
    readInterval_ = seconds;
    Timer1.setInterval(period);
    return true;
}

void SamplingLoop::adjustInterval(double readTime)
{
    if (readInterval_ < readTime) {
        fastPasses_ = 0;
        const double stretched = std::round((readTime + 0.5) * 10) / 10;
        if (stretched < 10 && applyInterval(stretched))
            steps_.say("Reading the sticks took " + formatNumber(readTime, "##0.0#") +
                         " s: the read interval is stretched to " + generalNumber(stretched) + " s\n");
        return;
    }
    // Passes that fit the interval set again bring it back.
    if (readInterval_ > requested_ && readTime >= 0 && readTime < requested_ && ++fastPasses_ >= kFastPasses) {
        fastPasses_ = 0;
        if (applyInterval(requested_))
            steps_.say("Reading the sticks is fast again: the read interval is back to " + generalNumber(requested_) +
                         " s\n");
    }
}

void SamplingLoop::addError(std::string& errors, int stick, const std::string& error) const
{
    if (!error.empty())
        errors += (errors.empty() ? "" : " ") + (link_.SlotsReserved >= 2 ? std::to_string(stick) + ":" : "") + error;
}

void SamplingLoop::step(const std::string& text)
{
    currentStep = text;
    trace_.LogTrace(text);
}

void SamplingLoop::Timer1_Timer()
{
    // The stick exchanges keep the window running while they wait, so a
    // tick can arrive in the middle of a pass: it is skipped.
    if (inPass_ || held_ > 0)
        return;
    if (++tickCounter_ >= 4) {
        tickCounter_ = 0;
        Timer1x_Timer();
    }
}

std::string SamplingLoop::readStick(int i)
{
    // Nothing from an earlier pass counts: a channel has a value only when
    // this read delivers one.
    for (ChannelRecord& c : link_.slot(i)->Channels)
        c.HasValue = false;
    // A stick whose node has left is not asked again; the device change
    // that follows the pass says so and closes it.
    const bool goneBefore = Nymstick_Gone(link_, i);
    std::string error = goneBefore ? "the stick is gone" : "";
    if (!goneBefore) {
        step(" : Nymstick_ReadPV(" + std::to_string(i) + ")");
        const bool read = Nymstick_ReadPV(link_, i) != 0;
        error = link_.StickErrorText;
        if (!read && error.empty())
            error = "no values in the reply";
        if (link_.TraceLevel >= 210)
            trace_.LogTrace(link_.TraceBuffer);
    }
    if (const StickRecord* s = link_.slot(i); s && s->ProtocolVersion < 5 && error.empty()) {
        step(" : Nymstick_ReadFlags(" + std::to_string(i) + ")");
        Nymstick_ReadFlags(link_, i);
        error = link_.StickErrorText;
    }
    ++reads_;
    if (!error.empty())
        ++failedReads_;
    StickRecord* s = link_.slot(i);
    if (!s)
        return error;
    const bool wasFailing = !s->LastError.empty();
    s->LastError = error;
    if (error.empty())
        s->LastReadTime = static_cast<double>(clock_.utcMs()) / 1000.0;
    if (!error.empty() && (goneBefore || Nymstick_Gone(link_, i))) {
        link_.DebugOut("Nym stick " + std::to_string(i) + " has left", 1);
        steps_.stickGone(i);
        return error;
    }
    if (wasFailing != !error.empty()) {
        const std::string who = "Sensor " + std::to_string(i) + stickLabel(*s);
        steps_.say(error.empty() ? who + ": values again\n" : who + ": no values: " + error + "\n");
    }
    return error;
}

void SamplingLoop::Timer1x_Timer()
{
    FlagGuard guard(inPass_);

    const auto passStart = std::chrono::steady_clock::now();
    // The pass's duration from the clock's elapsed time: never from the
    // time of day, which jumps at midnight and when the clocks change.
    const double startMs = clock_.elapsedMs();
    trace_.LogTrace("--MARK--");
    step("Form1:Timer1x_Timer()");
    int valid = 0;
    bool networkSticks = false;
    std::string errors;
    for (int i = 0; i < link_.SlotsReserved; ++i) {
        if (!link_.Nymstick_isOpen(i))
            continue;
        ++valid;
        if (link_.slot(i)->Interface == "NW") {
            networkSticks = true;
            continue;
        }
        // A stick whose configuration was never read is not asked for values.
        if (!link_.slot(i)->Configured)
            continue;
        // Each stick's error is its own: a later stick's success never hides it.
        addError(errors, i, readStick(i));
    }
    // A network stick has values when its server sent an update since the
    // previous pass.
    for (int i = 0; i < link_.SlotsReserved; ++i)
        if (link_.Nymstick_isOpen(i) && link_.slot(i)->Interface == "NW" && !hasValues(*link_.slot(i)))
            addError(errors, i, "no update from the server");
    link_.StickErrorText = errors;
    if (valid == 0)
        return;
    ++passes_;
    steps_.valuesRead();
    if (networkSticks)
        steps_.askNetwork();

    const double readTime = (clock_.elapsedMs() - startMs) / 1000.0;
    lastPassSeconds_ = readTime;
    measuredPassSeconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - passStart).count();
    adjustInterval(readTime);

    const bool error = !link_.StickErrorText.empty();
    if (!(error && engineeringMode)) {
        step(" : Nymdata2plot()");
        steps_.plotPass(clock_.now());
        step(" : Warnings_Timer_Update()");
        steps_.evaluateWarnings();
    }
    if (engineeringMode) {
        steps_.note("tr=" + QString::fromStdString(formatNumber(readTime, "##0.0##")), noteCounter_++);
        if (error)
            steps_.note("Err=" + QString::fromStdString(link_.StickErrorText), 1);
    }
    steps_.logPass(formatDateTime(clock_.now(), "yyyy-mm-dd Hh:Nn:Ss"));
    steps_.passDone();
    lastPassEndMs_ = clock_.elapsedMs();
    // What a server sends from now on counts for the next pass.
    for (int i = 0; i < link_.SlotsReserved; ++i)
        if (StickRecord* s = link_.slot(i); s && s->Interface == "NW")
            for (ChannelRecord& c : s->Channels)
                c.HasValue = false;
}

} // namespace vs
