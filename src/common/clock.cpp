#include "common/clock.h"
#include "common/wait.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <thread>

namespace vs {

namespace {

// Days from 1970-01-01 for a proleptic Gregorian date (Howard Hinnant's algorithm).
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civilFromDays(int64_t z, int& y, int& m, int& d)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

constexpr int64_t kEpochOffsetDays = 25569; // 1899-12-30 .. 1970-01-01

} // namespace

double LocalDateTime::toDays() const
{
    const int64_t days = daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) + kEpochOffsetDays;
    return static_cast<double>(days) + secondsSinceMidnight() / 86400.0;
}

LocalDateTime LocalDateTime::fromDays(double days)
{
    LocalDateTime t;
    double whole = std::floor(days);
    int64_t ms = std::llround((days - whole) * 86400000.0);
    if (ms >= 86400000) {
        ms -= 86400000;
        whole += 1;
    }
    civilFromDays(static_cast<int64_t>(whole) - kEpochOffsetDays, t.year, t.month, t.day);
    t.hour = static_cast<int>(ms / 3600000);
    t.minute = static_cast<int>(ms / 60000 % 60);
    t.second = static_cast<int>(ms / 1000 % 60);
    t.millisecond = static_cast<int>(ms % 1000);
    return t;
}

LocalDateTime localTime(int64_t utcMs)
{
    const int64_t seconds = utcMs >= 0 ? utcMs / 1000 : -((-utcMs + 999) / 1000);
    const std::time_t tt = static_cast<std::time_t>(seconds);
    std::tm local{};
    localtime_r(&tt, &local);
    LocalDateTime t;
    t.year = local.tm_year + 1900;
    t.month = local.tm_mon + 1;
    t.day = local.tm_mday;
    t.hour = local.tm_hour;
    t.minute = local.tm_min;
    t.second = local.tm_sec;
    t.millisecond = static_cast<int>(utcMs - seconds * 1000);
    return t;
}

std::pair<int64_t, int64_t> instantsOf(const LocalDateTime& local)
{
    const int64_t early = instantOf(local);
    // An hour later shows the same local time only in the repeated hour.
    const int64_t later = early + 3600000;
    const LocalDateTime again = localTime(later);
    const bool repeated = again.hour == local.hour && again.minute == local.minute && again.day == local.day;
    return {early, repeated ? later : early};
}

int64_t instantOf(const LocalDateTime& local)
{
    const auto mktimeAs = [&local](int isDst) {
        std::tm tm{};
        tm.tm_year = local.year - 1900;
        tm.tm_mon = local.month - 1;
        tm.tm_mday = local.day;
        tm.tm_hour = local.hour;
        tm.tm_min = local.minute;
        tm.tm_sec = local.second;
        tm.tm_isdst = isDst;
        return std::mktime(&tm);
    };
    // Summer time first: in the repeated hour that is the earlier instant;
    // where that is not the time asked for, mktime finds the right one.
    std::time_t t = mktimeAs(1);
    const LocalDateTime back = localTime(static_cast<int64_t>(t) * 1000);
    if (back.hour != local.hour || back.minute != local.minute || back.day != local.day)
        t = mktimeAs(-1);
    return static_cast<int64_t>(t) * 1000 + local.millisecond;
}

LocalDateTime SystemClock::now() const
{
    return localTime(utcMs());
}

int64_t SystemClock::utcMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

double SystemClock::elapsedMs() const
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

ManualClock::ManualClock(LocalDateTime start) : utcMs_(static_cast<double>(instantOf(start))) {}

LocalDateTime ManualClock::now() const
{
    return localTime(utcMs());
}

int64_t ManualClock::utcMs() const
{
    return static_cast<int64_t>(std::floor(utcMs_));
}

void ManualClock::set(const LocalDateTime& t)
{
    utcMs_ = static_cast<double>(instantOf(t));
}

void ManualClock::advanceMs(double ms)
{
    utcMs_ += ms;
    elapsedMs_ += ms;
}

WaitFn sleepingWait()
{
    return [](int ms) {
        if (ms > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    };
}

} // namespace vs
