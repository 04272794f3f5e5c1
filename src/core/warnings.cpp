#include "core/warnings.h"

#include "common/clock.h"
#include "core/face.h"
#include "common/numformat.h"
#include "plot/plot_feed.h"
#include "plot/plot_model.h"
#include "settings/settings.h"
#include "stick/fields.h"
#include "stick/stick_link.h"
#include "stick/trace_log.h"

#include <algorithm>
#include <cmath>

namespace vs {

Warnings::Warnings(StickLink& link, PlotRecord& plot, const Settings& settings, const TraceLog& trace,
                   const Clock& clock, Face& face, QObject* parent)
    : QObject(parent), link_(link), plot_(plot), settings_(settings), trace_(trace), clock_(clock), face_(face)
{
    Timer_warn.setObjectName("Timer_warn");
    Timer_warn.setInterval(100);
    connect(&Timer_warn, &QTimer::timeout, this, [this] { Timer_warn_Timer(); });
}

int Warnings::newestSlot() const
{
    // The warnings look at the sample set just stored: the slot before WriteIndex.
    return plot_.WriteIndex == 0 ? std::max(plot_.RecordLength - 1, 0) : plot_.WriteIndex - 1;
}

void Warnings::AddWarning()
{
    if (plot_.nMarkers <= 0)
        plot_.Markers.clear();
    const auto slot = static_cast<int16_t>(newestSlot());
    // One marker per sample, however many of its channels alarm: the pass
    // removes one per sample as the ring comes round.
    const auto end = plot_.Markers.begin() + std::min<std::ptrdiff_t>(plot_.nMarkers, plot_.Markers.size());
    if (std::find(plot_.Markers.begin(), end, slot) != end)
        return;
    plot_.Markers.push_back(slot);
    ++plot_.nMarkers;
}

void Warnings::CleanWarnings()
{
    const int slot = newestSlot();
    const int n = std::min<int>(plot_.nMarkers, static_cast<int>(plot_.Markers.size()));
    for (int i = 0; i < n; ++i)
        if (plot_.Markers[static_cast<size_t>(i)] == slot) {
            plot_.Markers.erase(plot_.Markers.begin() + i);
            if (--plot_.nMarkers <= 0) {
                plot_.nMarkers = 0;
                plot_.Markers.assign(1, 0);
            }
            return;
        }
}

void Warnings::Warnings_Timer_Update()
{
    CleanWarnings();
    QString tip;
    QString alarms;
    int overall = 0;
    bool anyValue = false; // no value anywhere: the air state knows nothing
    const bool warningsOn = settings_.number(keys::Warnings) == 1;
    // Curves follow the open sticks' channels in slot order, as the plot sets them up.
    int k = -1;
    for (int s = 0; s < link_.SlotsReserved; ++s) {
        if (!link_.Nymstick_isOpen(s))
            continue;
        StickRecord& stick = *link_.slot(s);
        for (int i = 0; i < stick.nChannels && i < static_cast<int>(stick.Channels.size()); ++i) {
            ++k;
            anyValue = anyValue || stick.Channels[static_cast<size_t>(i)].HasValue;
            currentStep = " : Warnings_Timer_Update: TempPlot.ColsEnabled(" + std::to_string(i) + "+" +
                          std::to_string(s) + "*" + std::to_string(stick.nChannels) + ")";
            trace_.LogTrace(currentStep);
            if (k >= plot_.nCurves || !plot_.CurveEnabled[static_cast<size_t>(k)])
                continue;
            const ChannelRecord& c = stick.Channels[static_cast<size_t>(i)];
            const QString label =
                QString::fromStdString((link_.SlotsReserved >= 2 ? std::to_string(s) + ":" : "") + c.Ylabel);
            tip += label + "=" + (c.HasValue ? QString::fromStdString(formatNumber(c.LastValue, "###0.0")) : "-") + "\r\n";
            // A channel without a value raises nothing.
            if (!warningsOn || !c.HasValue)
                continue;
            int level = 0;
            for (int j = std::min<int>(c.nWarn, static_cast<int>(c.WarnLevels.size())) - 1; j >= 0; --j)
                if (c.LastValue >= c.WarnLevels[static_cast<size_t>(j)]) {
                    InitWarningLevels(plot_, link_, i, s);
                    AddWarning();
                    alarms += label + "\r\n";
                    level = j + 1;
                    break;
                }
            overall = std::max(overall, level);
        }
    }
    if (overall > 0)
        Timer_Warning(overall - 1);
    else
        beepLevel_ = 0;

    currentStep = " : Warnings_Timer_Update: Balloons/Tooltip";
    trace_.LogTrace(currentStep);
    if (tip.size() > 2)
        tip.chop(2);
    face_.setTip(tip);
    face_.airState(anyValue ? overall + 1 : 0);

    if (overall == shownLevel_)
        return;
    while (face_.balloonCount() >= 1)
        face_.balloonDone();
    if (overall <= shownLevel_) {
        shownLevel_ = overall; // a falling level raises no alert, and takes its balloon away
        face_.balloonHide();
        return;
    }
    const QString message = settings_.text(keys::TxtWarnMsg, overall == 1 ? 0 : 1);
    if (!message.isEmpty())
        face_.balloon(alarms + message, applicationTitle(), 10000);
    shownLevel_ = overall;
    if (settings_.number(keys::WarningSounds) == 1)
        face_.playWave(overall);
}

void Warnings::Timer_Warning(int level)
{
    if (settings_.number(keys::WarningSounds) != 1)
        return;
    const double now = clock_.now().secondsSinceMidnight();
    if (level <= beepLevel_ && now - lastBeepTime_ < 10)
        return;
    beepLevel_ = level;
    beepsLeft_ = level == 1 ? 3 : 1;
    lastBeepTime_ = now;
    Timer_warn.start(100);
}

void Warnings::Timer_warn_Timer()
{
    face_.beep(1000, 70);
    if (--beepsLeft_ < 1)
        Timer_warn.stop();
}

void Warnings::ActOnFlags()
{
    if (!engineeringMode) {
        const double now = clock_.now().secondsSinceMidnight();
        if (flagNoteTime_ > now)
            flagNoteTime_ -= 86400;
        if (now - flagNoteTime_ < 0.25)
            return;
        flagNoteTime_ = now;
        if (flagNoteSkip_) {
            flagNoteSkip_ = false;
            return;
        }
    }
    flagNoteSkip_ = true;
    int row = 0;
    for (int s = 0; s < link_.SlotsReserved; ++s) {
        const StickRecord& stick = *link_.slot(s);
        for (const FlagRecord& f : stick.Flags) {
            const auto v = wholeFromReal(std::trunc(realValue(f.Value)), 32);
            if (!v || !(*v & 0x8000))
                continue;
            const QString label = QString::fromStdString((link_.SlotsReserved >= 2 ? std::to_string(s) + ":" : "") + f.Name);
            face_.note(label, static_cast<long>(*v & 0x7FFF), row);
            ++row;
        }
    }
}

} // namespace vs
