#pragma once
#include "stick/records.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vs {

// Turns raw reply bytes into printable escaped text: printable bytes stay,
// binary numbers behind a length prefix become "&h" fields, other control
// bytes "\x" escapes. A 0x0A ends the input (while no control byte of 25 or
// more came before it). The decoder carries a binary field across reports.
std::string escapeBytes(EscapeDecoder& decoder, const uint8_t* bytes, size_t count);

// Display text of escaped text: "\x41" gives "A", "\n" a line feed, "\\" a
// backslash. Character codes above 255 come out as "?".
std::string Unescape(std::string_view text);

// Cuts at every ";" without trimming: "@0001;a;;b;\x0A" gives
// {"@0001", "a", "", "b", "\x0A"}.
std::vector<std::string> splitFields(std::string_view reply);

// The real conversion: the longest leading number of the field, the rest
// ignored; "." is the decimal point whatever the locale; "&h" hexadecimal of up
// to four digits is 16-bit signed, of five to eight 32-bit signed, and a
// trailing "&" forces 32 bits. A field without a leading number gives 0.
double realValue(std::string_view field);

// The whole-number conversion: the whole field must be a decimal or "&h"
// number; fractions round to the even neighbour; the result must fit a signed
// integer of `bits` bits. Anything else gives no value.
std::optional<int64_t> wholeValue(std::string_view field, int bits);

// The whole text as a decimal number ("." as decimal point, surrounding
// blanks allowed); no value for anything else.
std::optional<double> strictReal(std::string_view text);

// Rounds to a whole number and checks it fits a signed integer of `bits` bits.
std::optional<int64_t> wholeFromReal(double value, int bits);

} // namespace vs
