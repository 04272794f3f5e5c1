#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace vs {

// The text without characters whose code is below 32 or above 126.
std::string CleanString(std::string_view text);

// The text between the first "[" and `end` (1-based; 0 means the text's
// length): "[abc]" gives "abc"; without "[" the first character is lost.
std::string GetBracket_2(std::string_view text, size_t end);
// Up to the first "]" and up to the last "]".
std::string GetBracket_first(std::string_view text);
std::string GetBracket_last(std::string_view text);

// Cuts at every "|".
std::vector<std::string> splitBars(std::string_view text);

// A double as the protocol writes it: up to 15 significant digits, "." as
// decimal point.
std::string wireNumber(double value);
// Blanks skipped, then the longest prefix forming a decimal number with "."
// as decimal point; 0 when there is none.
double leadingWireNumber(std::string_view text);

} // namespace vs
