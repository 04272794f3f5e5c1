#include "settings/conversions.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(SettingConversions, LeadingNumbersIntegersFlagsAndStrictNumbers)
{
    struct Case {
        const char* text;
        double value;
    } cases[] = {
        {"12", 12}, {"  -3.5xyz", -3.5}, {"abc", 0}, {"", 0}, {"1e3", 1000}, {"1e", 1}, {".5", 0.5}, {"+7", 7},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(vs::leadingNumber(c.text), c.value) << c.text;
    EXPECT_EQ(vs::leadingInteger("-7.9", 16), -7);
    EXPECT_EQ(vs::leadingInteger("99999", 16), 32767);
    EXPECT_EQ(vs::leadingInteger("1e12", 32), 2147483647);
    // The widest integers clamp too; their top is not exact as a double.
    EXPECT_EQ(vs::leadingInteger("12E22", 64), std::numeric_limits<qint64>::max());
    EXPECT_EQ(vs::leadingInteger("-12E22", 64), std::numeric_limits<qint64>::min());
    EXPECT_EQ(vs::leadingInteger("-9223372036854775808", 64), std::numeric_limits<qint64>::min());

    // Flags and strict numbers.
    EXPECT_EQ(vs::flagText("True"), true);
    EXPECT_EQ(vs::flagText("false"), false);
    EXPECT_EQ(vs::flagText("-1"), true);
    EXPECT_EQ(vs::flagText("0"), false);
    EXPECT_EQ(vs::flagText("yes"), std::nullopt);
    EXPECT_EQ(vs::strictNumber(" 42 "), 42);
    EXPECT_EQ(vs::strictNumber("42x"), std::nullopt);
    EXPECT_EQ(vs::flagWord(true), "True");
}

TEST(SettingConversions, BytesAndEscapes)
{
    const QString accented = QString::fromUtf8("é");
    EXPECT_EQ(vs::textToBytes("Ab"), QByteArray("A\0b\0", 4));
    EXPECT_TRUE(vs::bytesArePlain(vs::textToBytes("No sensors found")));
    EXPECT_FALSE(vs::bytesArePlain(vs::textToBytes(accented)));
    EXPECT_EQ(vs::bytesSettingText(accented), "\\xE9\\x00");
    EXPECT_EQ(vs::bytesSettingText("plain"), "plain");
    EXPECT_EQ(vs::bytesToText(vs::textToBytes(QString::fromUtf8("日本 🌫"))), QString::fromUtf8("日本 🌫"));
    EXPECT_EQ(vs::escapeNonPrintable(QByteArray("a\x01\xFF", 3)), "a\\x01\\xFF");
    EXPECT_EQ(vs::escapesToBytes("a\\x01\\xFFz\\xq"), QByteArray("a\x01\xFFz\\xq", 7));
    EXPECT_EQ(vs::bytesSettingFromEdit("\\xE9\\x00"), accented);
}

} // namespace
