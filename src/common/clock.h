#pragma once
#include <cstdint>
#include <utility>

namespace vs {

// A local calendar date and time of day.
struct LocalDateTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0, millisecond = 0;

    double secondsSinceMidnight() const
    {
        return hour * 3600.0 + minute * 60.0 + second + millisecond / 1000.0;
    }
    // Days since 1899-12-30 with the time of day as fraction: the date-time
    // number the stick records keep in ConfiguredAt.
    double toDays() const;
    static LocalDateTime fromDays(double days);
};

// Time of day and dates come from one injectable clock, so that tests can
// cross midnight or pin a date.
class Clock {
public:
    virtual ~Clock() = default;
    // The local date and time, for what a person reads and the described file formats.
    virtual LocalDateTime now() const = 0;
    // The instant: milliseconds since 1970-01-01 UTC. Everything the program
    // stamps and keeps is stamped with this, never rebuilt from now().
    virtual int64_t utcMs() const = 0;
    // Monotonic milliseconds, for measuring how long something took.
    virtual double elapsedMs() const = 0;
};

// The local date and time of an instant, as the system's time zone has it.
LocalDateTime localTime(int64_t utcMs);
// The instant of a local date and time; of the two instants a repeated hour
// of the autumn night has, the earlier.
int64_t instantOf(const LocalDateTime& local);
// Both instants a local time can stand for: the same twice, except in the
// hour the clocks go back, where the second is an hour after the first.
std::pair<int64_t, int64_t> instantsOf(const LocalDateTime& local);

class SystemClock final : public Clock {
public:
    LocalDateTime now() const override;
    int64_t utcMs() const override;
    double elapsedMs() const override;
};

// A clock that only moves when told to; waits in tests advance it. It keeps
// an instant and shows it in the system's time zone, so that it crosses a
// change of summer time as a real clock does.
class ManualClock final : public Clock {
public:
    explicit ManualClock(LocalDateTime start = {2026, 1, 2, 12, 0, 0, 0});
    LocalDateTime now() const override;
    int64_t utcMs() const override;
    double elapsedMs() const override { return elapsedMs_; }
    void advanceMs(double ms);
    void set(const LocalDateTime& t);
    void setUtcMs(int64_t ms) { utcMs_ = static_cast<double>(ms); }

private:
    double utcMs_;
    double elapsedMs_ = 0;
};

} // namespace vs
