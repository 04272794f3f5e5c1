#pragma once
#include <string>
#include <string_view>

namespace vs {

// Numeric picture formats of the forms the program uses: "###0", "##0.00",
// "##0.0#", "###0.0", "##0.0##". A "0" is a digit always written, a "#" a
// digit written only when needed; ties round away from zero.
std::string formatNumber(double value, std::string_view picture, char decimalSeparator = '.');

// The general number text: up to 15 significant digits, no padding, the
// shortest form; very large or small magnitudes in "1E+16" / "1E-05" form.
std::string generalNumber(double value, char decimalSeparator = '.');

// Rounds to the nearest whole number, halves to the even neighbour
// (2.5 gives 2, 3.5 gives 4).
double roundHalfEven(double value);

// Upper-case two-digit hexadecimal of a byte.
std::string hex2(unsigned char byte);

} // namespace vs
