#include "common/dateformat.h"
#include "common/numformat.h"

#include <gtest/gtest.h>

namespace {

TEST(NumberFormats, PicturesRoundAwayFromZeroAndPadAsAsked)
{
    struct Case {
        double value;
        const char* picture;
        const char* expected;
    } cases[] = {
        {1234.4, "###0", "1234"},   {1234.5, "###0", "1235"},   {0.2, "###0", "0"},
        {-0.2, "###0", "0"},        {-7.6, "###0", "-8"},       {0.5, "##0.00", "0.50"},
        {12.345678, "##0.00", "12.35"}, {1234.5, "##0.0#", "1234.5"}, {3, "##0.0#", "3.0"},
        {3.14159, "##0.0#", "3.14"}, {23.45, "###0.0", "23.5"}, {0.1234, "##0.0##", "0.123"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vs::formatNumber(c.value, c.picture), c.expected) << c.value << " " << c.picture;
    EXPECT_EQ(vs::formatNumber(1.5, "##0.00", ','), "1,50");
}

TEST(NumberFormats, GeneralNumberIsShortestUpTo15DigitsAndHalvesRoundToEven)
{
    struct Case {
        double value;
        const char* expected;
    } cases[] = {
        {0, "0"}, {23.5, "23.5"}, {-1, "-1"}, {0.1 + 0.2, "0.3"}, {1000000, "1000000"},
        {0.0001, "0.0001"}, {0.00001, "1E-05"}, {1e16, "1E+16"}, {123456789012345.0, "123456789012345"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vs::generalNumber(c.value), c.expected) << c.value;
    EXPECT_EQ(vs::generalNumber(2.25, ','), "2,25");

    EXPECT_EQ(vs::roundHalfEven(2.5), 2);
    EXPECT_EQ(vs::roundHalfEven(3.5), 4);
    EXPECT_EQ(vs::roundHalfEven(-2.5), -2);
    EXPECT_EQ(vs::roundHalfEven(12.5), 12);
    EXPECT_EQ(vs::roundHalfEven(2.51), 3);
}

TEST(DateFormats, PicturesAndNamedFormats)
{
    const vs::LocalDateTime t{2011, 2, 3, 14, 5, 9, 0};
    struct Case {
        const char* picture;
        const char* expected;
    } cases[] = {
        {"yyyy-mm-dd Hh:Nn:Ss", "2011-02-03 14:05:09"}, {"YYMMDD", "110203"}, {"HHmmss", "140509"},
        {"Hh:Nn", "14:05"}, {"Hh:Nn:Ss", "14:05:09"}, {"Short Date", "03.02.2011"}, {"d/m/yy", "3/2/11"},
        {"dddd mmm", "Thursday Feb"}, {"\"at\" hh\\h", "at 14h"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vs::formatDateTime(t, c.picture), c.expected) << c.picture;
    vs::NamedDateFormats us;
    us.shortDate = "m/d/yyyy";
    EXPECT_EQ(vs::formatDateTime(t, "Short Date", us), "2/3/2011");
}

} // namespace
