#include "common/numformat.h"

#include <cmath>
#include <cstdio>

namespace vs {

double roundHalfEven(double value)
{
    if (!std::isfinite(value))
        return value;
    const double f = std::floor(value);
    const double diff = value - f;
    if (diff > 0.5)
        return f + 1;
    if (diff < 0.5)
        return f;
    return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

std::string hex2(unsigned char byte)
{
    static const char digits[] = "0123456789ABCDEF";
    return {digits[byte >> 4], digits[byte & 15]};
}

std::string formatNumber(double value, std::string_view picture, char decimalSeparator)
{
    const auto dot = picture.find('.');
    const std::string_view intPart = picture.substr(0, dot);
    const std::string_view fracPart = dot == std::string_view::npos ? std::string_view{} : picture.substr(dot + 1);
    int minInt = 0;
    for (char c : intPart)
        minInt += c == '0';
    int minFrac = 0;
    int maxFrac = 0;
    for (char c : fracPart) {
        if (c == '0')
            minFrac = ++maxFrac;
        else if (c == '#')
            ++maxFrac;
    }
    if (!std::isfinite(value))
        return std::isnan(value) ? "NaN" : (value < 0 ? "-Inf" : "Inf");

    const double scale = std::pow(10.0, maxFrac);
    double scaled = std::round(std::fabs(value) * scale); // ties away from zero
    const bool negative = value < 0 && scaled != 0;
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.0f", scaled);
    std::string digits = buf;
    if (static_cast<int>(digits.size()) <= maxFrac)
        digits.insert(0, static_cast<size_t>(maxFrac + 1) - digits.size(), '0');
    std::string whole = digits.substr(0, digits.size() - static_cast<size_t>(maxFrac));
    std::string frac = digits.substr(digits.size() - static_cast<size_t>(maxFrac));
    while (static_cast<int>(frac.size()) > minFrac && frac.back() == '0')
        frac.pop_back();
    // Leading zeros of the whole part are written only as far as the picture asks.
    size_t firstNonZero = whole.find_first_not_of('0');
    if (firstNonZero == std::string::npos)
        whole.clear();
    else
        whole.erase(0, firstNonZero);
    if (static_cast<int>(whole.size()) < minInt)
        whole.insert(0, static_cast<size_t>(minInt) - whole.size(), '0');

    std::string out = negative ? "-" : "";
    out += whole;
    if (!frac.empty()) {
        out += decimalSeparator;
        out += frac;
    }
    if (out.empty() || out == "-")
        out = "0";
    return out;
}

std::string generalNumber(double value, char decimalSeparator)
{
    if (!std::isfinite(value))
        return std::isnan(value) ? "NaN" : (value < 0 ? "-Inf" : "Inf");
    if (value == 0)
        return "0";
    char buf[64];
    const double magnitude = std::fabs(value);
    if (magnitude >= 1e15 || magnitude < 1e-4) {
        std::snprintf(buf, sizeof buf, "%.14E", value);
        std::string s = buf;
        // mantissa: strip trailing zeros; exponent: sign and at least two digits
        const auto e = s.find('E');
        std::string mant = s.substr(0, e);
        std::string expo = s.substr(e + 1);
        if (mant.find('.') != std::string::npos) {
            while (mant.back() == '0')
                mant.pop_back();
            if (mant.back() == '.')
                mant.pop_back();
        }
        const char sign = expo[0];
        std::string expDigits = expo.substr(1);
        while (expDigits.size() > 2 && expDigits[0] == '0')
            expDigits.erase(0, 1);
        s = mant + "E" + sign + expDigits;
        for (char& c : s)
            if (c == '.')
                c = decimalSeparator;
        return s;
    }
    std::snprintf(buf, sizeof buf, "%.15g", value);
    std::string s = buf;
    for (char& c : s)
        if (c == '.')
            c = decimalSeparator;
    return s;
}

} // namespace vs
