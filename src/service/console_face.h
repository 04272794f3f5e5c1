#pragma once
#include "core/face.h"

#include <deque>
#include <ostream>
#include <string>

namespace vs {

class Clock;

// The service's face: each status line goes to the stream as one line with
// the time in front ("2026-12-07 08:15:02 2 sensors found:"); text without a
// line end waits for the rest of its line, and a form feed ends the pending
// line. A warning's balloon is a line of its own; what only a screen shows
// (notes, the plot, the tray, the air state light, sounds) is not shown. It
// never offers emulation, and an error is said and the service goes on.
//
// When the stream is the journal, each line starts with its syslog priority
// as the journal reads it ("<3>" errors, "<4>" warnings, "<6>" the rest) and
// carries no time of its own: the journal stamps it.
class ConsoleFace final : public Face {
public:
    enum Priority { Error = 3, Warning = 4, Info = 6 };

    ConsoleFace(const Clock& clock, std::ostream& out, bool journal = stdoutIsJournal())
        : clock_(clock), out_(out), journal_(journal)
    {
    }
    ~ConsoleFace() override { flush(); }

    // Whether standard output is the journal's stream (JOURNAL_STREAM names it).
    static bool stdoutIsJournal();
    // What kind of line a status text is.
    static Priority priorityOf(const std::string& text);

    // A line of its own, at once.
    void line(const std::string& text) { line(text, priorityOf(text)); }
    void line(const std::string& text, Priority priority);
    // Writes a pending part of a line.
    void flush();
    // The last status lines written (at most kRecentLines), oldest first.
    static constexpr size_t kRecentLines = 20;
    const std::deque<std::string>& recentLines() const { return recent_; }
    // The air state last shown (-1 until one is).
    int airStateShown() const { return airState_; }

    // StatusFace
    void print(const QString& text) override;
    void note(const QString&, long, int) override {}
    bool statusShown() const override { return true; }
    int holdCount() const override { return hold_; }
    void setHoldCount(int redraws) override { hold_ = redraws; }
    // AlertFace
    void setTip(const QString&) override {}
    void balloon(const QString& text, const QString& title, int timeoutMs) override;
    void balloonDone() override {}
    int balloonCount() const override { return 0; }
    void balloonHide() override {}
    void airState(int state) override { airState_ = state; }
    void beep(int, int) override {}
    void playWave(int) override {}
    // ViewFace
    void storeReset() override {}
    void samplesAdded() override {}
    void valuesRead() override {}
    void sticksChanged() override {}
    void showFlashMenu(bool) override {}
    void loggingChanged(const QString&, bool) override {}
    void samplingChanged(bool) override {}
    void networkRoleChanged() override {}
    // ProgramFace
    void showWindow() override {}
    void showPlot(bool) override {}
    void showAirState() override {}
    bool emulationOffered() const override { return false; }
    bool endAfterError(const std::string& text) override;
    void closeWindow() override {}
    void endProgram(int code) override;

private:
    const Clock& clock_;
    std::ostream& out_;
    bool journal_;
    std::string pending_;
    int hold_ = 0;
    std::deque<std::string> recent_;
    int airState_ = -1;
};

} // namespace vs
