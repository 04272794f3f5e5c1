#pragma once
#include "core/status_face.h"

#include <ostream>
#include <string>

namespace vs {

class Clock;

// The service's status face: each status line goes to the stream as one
// line with the time in front ("2026-12-07 08:15:02 2 sensors found:"). Text
// without a line end waits for the rest of its line; a form feed ends the
// pending line. Notes are not shown: they mark the plot.
class ConsoleFace final : public StatusFace {
public:
    ConsoleFace(const Clock& clock, std::ostream& out) : clock_(clock), out_(out) {}
    ~ConsoleFace() override { flush(); }

    void print(const QString& text) override;
    void note(const QString&, long, int) override {}
    bool statusShown() const override { return true; }
    int holdCount() const override { return hold_; }
    void setHoldCount(int redraws) override { hold_ = redraws; }
    void storeReset() override {}
    void samplesAdded() override {}
    // A line of its own, at once.
    void line(const std::string& text);
    // Writes a pending part of a line.
    void flush();

private:
    const Clock& clock_;
    std::ostream& out_;
    std::string pending_;
    int hold_ = 0;
};

} // namespace vs
