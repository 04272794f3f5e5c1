#include "common/clock.h"

#include <gtest/gtest.h>

namespace {

TEST(Clock, DayNumbersRoundTripAcrossMidnightAndLeapDays)
{
    // 1899-12-30 is day 0 of the date-time numbers.
    EXPECT_DOUBLE_EQ((vs::LocalDateTime{1899, 12, 30, 0, 0, 0, 0}.toDays()), 0.0);
    EXPECT_DOUBLE_EQ((vs::LocalDateTime{1900, 1, 1, 12, 0, 0, 0}.toDays()), 2.5);

    vs::ManualClock clock({2024, 2, 28, 23, 59, 59, 500});
    clock.advanceMs(1000);
    vs::LocalDateTime t = clock.now();
    EXPECT_EQ(t.month, 2);
    EXPECT_EQ(t.day, 29);
    EXPECT_EQ(t.hour, 0);
    EXPECT_EQ(t.second, 0);
    EXPECT_EQ(t.millisecond, 500);
    EXPECT_DOUBLE_EQ(clock.elapsedMs(), 1000);
}

} // namespace
