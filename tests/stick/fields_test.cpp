#include "stick/fields.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

std::string escape(vs::EscapeDecoder& d, std::initializer_list<int> bytes)
{
    std::vector<uint8_t> b;
    for (int x : bytes)
        b.push_back(static_cast<uint8_t>(x));
    return vs::escapeBytes(d, b.data(), b.size());
}

// With a fresh decoder.
std::string escape(std::initializer_list<int> bytes)
{
    vs::EscapeDecoder d;
    return escape(d, bytes);
}

TEST(Escaping, PrintableControlAndBinaryBytesAlsoAcrossReports)
{
    EXPECT_EQ(escape({'A', ';', 0x00, 0x1B}), "A;\\x00\\x1B");
    EXPECT_EQ(escape({0x80, 0xFF}), "\\x80\\xFF");
    EXPECT_EQ(escape({0x12, 0x03, 0xE8, ';', 0x11, 0x02, ';', 0x10, 'x'}), "&h03E8;&h02;x");
    EXPECT_EQ(escape({0x13, 0x00, 0x00, 0x05, 0xA0, 0x14, 1, 2, 3, 4, 5, 6, 7, 8}), "&h000005A0&h0102030405060708");

    // A binary field split across two reports.
    vs::EscapeDecoder d5;
    EXPECT_EQ(escape(d5, {'a', ';', 0x12, 0x03}), "a;");
    EXPECT_EQ(escape(d5, {0xE8, ';', 0x0A}), "&h03E8;\\x0A");

    // A control byte above 24 stops classifying.
    vs::EscapeDecoder d6;
    EXPECT_EQ(escape(d6, {0x1B, 'a', 0x12, 0x00, 0x05, 0x0A, 'b'}), "\\x1Ba\\x12\\x00\\x05\\x0Ab");
    EXPECT_EQ(d6.pending, 0);
}

TEST(Escaping, LineFeedEndsTheReportAndAbandonsAPendingField)
{
    vs::EscapeDecoder d;
    EXPECT_EQ(escape(d, {'O', 'K', ';', 0x0A, 'j', 'u', 'n', 'k'}), "OK;\\x0A");
    EXPECT_EQ(escape(d, {0x12, 0x0A}), "");          // 0x0A is a data byte here
    EXPECT_EQ(d.pending, 1);
    vs::EscapeDecoder d2;
    d2.pending = 2;
    EXPECT_EQ(escape(d2, {0x0A}), "");                // a data byte, even when it is 0x0A
    vs::EscapeDecoder d3;
    EXPECT_EQ(escape(d3, {0x0A, 0x12, 0x00, 0x01}), "\\x0A");
    EXPECT_EQ(d3.pending, 0);
}

TEST(Unescape, EscapesBecomeCharacters)
{
    struct Case {
        const char* in;
        std::string out;
    } cases[] = {
        {"\\x41", "A"},        {"\\x41;", "A;"},      {"Rh\\x0A", "Rh\n"},  {"a\\\\b", "a\\b"},
        {"\\n", "\n"},         {"\\r", "\r"},         {"\\x414", "A4"},     {"\\x4142", std::string(1, '?')},
        {"\\065B", "AB"},      {"\\q\\x42", "\\x42"},     {"", ""},             {"plain", "plain"},
        {"\\x", ""}, {"\\", ""},
    };
    // "\x414": the digit 4 is not hex-only but still a digit, so it joins the number (0x414 > 255).
    cases[6].out = "?";
    for (const Case& c : cases)
        EXPECT_EQ(vs::Unescape(c.in), c.out) << c.in;
}

TEST(Fields, SplitKeepsEmptyFieldsAndTheTail)
{
    const auto f = vs::splitFields("@0001;a;;b;\\x0A");
    ASSERT_EQ(f.size(), 5u);
    EXPECT_EQ(f[0], "@0001");
    EXPECT_EQ(f[2], "");
    EXPECT_EQ(f[4], "\\x0A");
    EXPECT_EQ(vs::splitFields("@0001;").size(), 2u);
}

TEST(Conversions, RealValues)
{
    struct Case {
        const char* field;
        double value;
    } cases[] = {
        {"&hFFFF", -1},      {"&hFFFF&", 65535},   {"&h8000", -32768},  {"", 0},         {"1.5E3", 1500},
        {"2.5", 2.5},        {"&h02", 2},          {"&h05DC", 1500},    {"&h000005A0&", 1440},
        {"&hFFFFFFFF", -1},  {"&h10000", 65536},   {"-3.25xyz", -3.25}, {"abc", 0},      {"  7", 7},
        {"0.01", 0.01},      {".5", 0.5},          {"1e", 1},           {"&h", 0},       {"1E400", HUGE_VAL},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(vs::realValue(c.field), c.value) << c.field;
}

TEST(Conversions, WholeNumbersRoundHalvesToEvenAndMustFitStrictOnesTakeTheWholeText)
{
    struct Case {
        const char* field;
        int bits;
        std::optional<int64_t> value;
    } cases[] = {
        {"2.5", 32, 2},          {"3.5", 32, 4},         {"&h02", 16, 2},      {"&h05DC", 32, 1500},
        {"&hFFFF", 32, -1},      {"&hFFFF&", 32, 65535}, {"1.5E3", 16, 1500},  {"-7", 32, -7},
        {"", 32, std::nullopt},  {"abc", 32, std::nullopt}, {"12abc", 32, std::nullopt},
        {"40000", 16, std::nullopt}, {"32767", 16, 32767}, {"&hFFFF&", 16, std::nullopt},
        {"99999999999", 32, std::nullopt}, {"1E999", 32, std::nullopt}, {"&h", 32, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vs::wholeValue(c.field, c.bits), c.value) << c.field << " (" << c.bits << " bits)";

    // Strict numbers take the whole text.
    EXPECT_EQ(vs::strictReal(" 12.5 "), 12.5);
    EXPECT_EQ(vs::strictReal("12,5"), std::nullopt);
    EXPECT_EQ(vs::strictReal(""), std::nullopt);
    EXPECT_EQ(vs::strictReal("-3"), -3);
}

} // namespace
