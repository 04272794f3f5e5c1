#pragma once
#include "common/clock.h"

#include <QObject>
#include <QTimer>

#include <string>

namespace vs {

class StickLink;
class TraceLog;

// What a sampling pass hands on after reading the sticks, in this order;
// the monitor's core does each step.
class PassSteps {
public:
    virtual ~PassSteps() = default;
    virtual void valuesRead() = 0;                            // windows with live values
    virtual void askNetwork() = 0;                            // the server's sticks
    virtual void plotPass(const LocalDateTime& now) = 0;      // footer, one sample set, redraw
    virtual void evaluateWarnings() = 0;
    virtual void note(const QString& text, int row) = 0;      // engineering mode's notes
    virtual void logPass(const std::string& timeText) = 0;    // one value-log line
    virtual void passDone() = 0;                              // publishers, history, metrics
    virtual void say(const std::string& line) = 0;            // a status line
    virtual void stickGone(int stick) = 0;                    // its device left during the pass
    virtual void unexpectedError(const char* procedure, const std::string& description) = 0;
};

// Timer1 ticks four times per read interval; every fourth tick runs one
// sampling pass over the open sticks. A pass that takes longer than the
// interval stretches it (up to just below 10 s), which is said in a status
// line; after kFastPasses passes that fit the interval set, it returns to it.
class SamplingLoop : public QObject {
    Q_OBJECT
public:
    SamplingLoop(StickLink& link, const Clock& clock, const TraceLog& trace, PassSteps& steps,
                 QObject* parent = nullptr);

    bool engineeringMode = false;
    std::string currentStep;

    QTimer& timer() { return Timer1; }
    bool running() const { return Timer1.isActive(); }
    // Starts or stops the timer; starting a running timer keeps its phase.
    void setRunning(bool on);
    // While held, ticks run no pass and the timer keeps its phase (a
    // device change that rebuilds the plot holds it, so that a stream of
    // changes cannot keep pushing the next pass away).
    class Hold {
    public:
        explicit Hold(SamplingLoop& loop) : loop_(loop) { ++loop_.held_; }
        ~Hold() { --loop_.held_; }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        SamplingLoop& loop_;
    };

    double readInterval() const { return readInterval_; }
    // The interval the user (or the settings) asked for; readInterval() is
    // larger while slow reads stretch it.
    double requestedInterval() const { return requested_; }
    static constexpr int kFastPasses = 10;
    // Sets the read interval and the timer period: interval x 1000 / 4 ms,
    // halves to even.
    // False (and the interval unchanged) when the timer cannot take it.
    bool setReadInterval(double seconds);
    // How long the last pass's stick reads took, in seconds.
    double lastPassSeconds() const { return lastPassSeconds_; }
    // The same, measured with the system's steady clock (for the metrics).
    double measuredPassSeconds() const { return measuredPassSeconds_; }
    static int timerPeriodMs(double seconds);

    void Timer1_Timer();
    void Timer1x_Timer();
    bool passRunning() const { return inPass_; }
    // When the last pass ended (the clock's elapsed ms; -1: none yet).
    double lastPassEndMs() const { return lastPassEndMs_; }
    // Since the start: passes that read at least one stick, and stick reads
    // that failed (each stick whose values or flags could not be read counts).
    long passCount() const { return passes_; }
    long failedReadCount() const { return failedReads_; }
    // Stick reads in sampling passes, failed or not.
    long readCount() const { return reads_; }

private:
    void step(const std::string& text);
    // Reads one configured stick's values (and flags); returns its error ("" on success).
    std::string readStick(int stick);
    // Adds a stick's error to the pass's errors ("1:NYM_SEND_ERROR" with two sticks or more).
    void addError(std::string& errors, int stick, const std::string& error) const;
    bool applyInterval(double seconds);
    // Stretches the interval after a slow pass, or returns to the one set after fast ones.
    void adjustInterval(double readTime);

    StickLink& link_;
    const Clock& clock_;
    const TraceLog& trace_;
    PassSteps& steps_;
    QTimer Timer1;
    int tickCounter_ = 0;
    int noteCounter_ = 0;
    double readInterval_ = 1.0;
    double requested_ = 1.0;
    int fastPasses_ = 0;
    double lastPassSeconds_ = 0;
    double measuredPassSeconds_ = 0;
    double lastPassEndMs_ = -1;
    bool inPass_ = false;
    int held_ = 0;
    long passes_ = 0;
    long failedReads_ = 0;
    long reads_ = 0;
};

} // namespace vs
