#pragma once
#include <string>
#include <vector>

namespace vs {

class StickLink;

// The curve list of the plot settings: one entry per channel of every valid
// stick, "ChID:Ylabel", prefixed with the stick's index and ":" when there
// are two or more sticks. Curves are numbered as the plot makes them: every
// channel of every valid stick in order.
struct CurveEntry {
    std::string text;
    int curve = 0;
    int stick = 0; // the slot
};
std::vector<CurveEntry> curveEntries(const StickLink& link);

// The sample interval's range text, "(0.00s...262.14s)": the shortest is the
// last pass's read time rounded down to 4 ms (4 ms when there is none).
double shortestInterval(double lastPassSeconds);
constexpr double kLongestInterval = 65535.0 / 1000.0 * 4.0;
std::string intervalRangeText(double lastPassSeconds);

} // namespace vs
