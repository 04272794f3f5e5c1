#include "stick/fields.h"

#include "common/numformat.h"

#include <charconv>
#include <cmath>

namespace vs {

std::string escapeBytes(EscapeDecoder& d, const uint8_t* bytes, size_t count)
{
    std::string out;
    int lastControl = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t b = bytes[i];
        if (d.pending > 0) {
            --d.pending;
            d.digits += hex2(b);
            if (d.pending == 0)
                out += "&h" + d.digits;
            continue;
        }
        if (b >= 32 && b <= 126) {
            out += static_cast<char>(b);
            continue;
        }
        if (lastControl > 24) {
            // Once a control byte of 25 or more was met, nothing is classified any more.
            out += "\\x" + hex2(b);
            continue;
        }
        lastControl = b;
        const int low = b & 0x0F;
        const int high = b >> 4;
        if (b == 0) {
            out += "\\x00";
        } else if (b == 10) {
            out += "\\x0A";
            d.pending = 0;
            return out;
        } else if (low >= 1 && low <= 4 && high <= 1) {
            d.pending = static_cast<uint16_t>(1 << (low - 1));
            d.digits.clear();
        } else if (b == 0x10) {
            d.pending = 0;
            d.digits.clear();
        } else {
            out += "\\x" + hex2(b);
        }
    }
    return out;
}

std::string Unescape(std::string_view text)
{
    std::string out;
    bool escape = false;
    bool inNumber = false;
    bool hex = false;
    long value = 0;
    auto flushNumber = [&] {
        out += value <= 255 ? static_cast<char>(static_cast<unsigned char>(value)) : '?';
        inNumber = false;
        escape = false;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inNumber) {
            int digit = -1;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (hex && c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            else if (hex && c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            if (digit >= 0) {
                if (value <= 0xFFFFFF)
                    value = value * (hex ? 16 : 10) + digit;
                else
                    value = 0x7FFFFFFF; // stays "too large"
                if (i + 1 == text.size())
                    flushNumber();
                continue;
            }
            flushNumber();
            // the ending character is handled again as plain text
        }
        if (!escape) {
            if (c == '\\')
                escape = true;
            else
                out += c;
            continue;
        }
        switch (c) {
        case 'n': out += '\n'; escape = false; break;
        case 'r': out += '\r'; escape = false; break;
        case '\\': out += '\\'; escape = false; break;
        case 'x': inNumber = true; hex = true; value = 0; break;
        case '0': inNumber = true; hex = false; value = 0; break;
        default: break; // dropped, the escape stays open
        }
    }
    return out;
}

std::vector<std::string> splitFields(std::string_view reply)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t pos = reply.find(';', start);
        if (pos == std::string_view::npos) {
            fields.emplace_back(reply.substr(start));
            return fields;
        }
        fields.emplace_back(reply.substr(start, pos - start));
        start = pos + 1;
    }
}

namespace {

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

int hexDigitValue(char c)
{
    if (c <= '9')
        return c - '0';
    return (c & ~0x20) - 'A' + 10;
}

// Reads "&h" + digits (+ "&") from the start of s. Returns the number of
// characters used (0 when s does not start with a hexadecimal form).
size_t readHex(std::string_view s, double& value)
{
    if (s.size() < 2 || s[0] != '&' || (s[1] != 'h' && s[1] != 'H'))
        return 0;
    size_t i = 2;
    uint64_t raw = 0;
    size_t digits = 0;
    while (i < s.size() && isHexDigit(s[i])) {
        raw = (raw << 4) | static_cast<uint64_t>(hexDigitValue(s[i]));
        ++digits;
        ++i;
    }
    if (digits == 0)
        return 0;
    const bool forceLong = i < s.size() && s[i] == '&';
    if (forceLong)
        ++i;
    if (digits <= 4 && !forceLong)
        value = static_cast<int16_t>(static_cast<uint16_t>(raw));
    else if (digits <= 8)
        value = static_cast<int32_t>(static_cast<uint32_t>(raw));
    else
        value = static_cast<double>(raw); // beyond 32 bits: the plain magnitude
    return i;
}

// Reads an optionally signed decimal number with optional fraction and
// exponent from the start of s. Returns the characters used (0 if none).
size_t readDecimal(std::string_view s, double& value)
{
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    const size_t mantStart = i;
    size_t digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        ++i;
        ++digits;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    std::string number(s.substr(mantStart, i - mantStart));
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            ++j;
        const size_t expDigitsStart = j;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9')
            ++j;
        if (j > expDigitsStart) {
            number += 'e';
            number += s.substr(i + 1, j - i - 1);
            i = j;
        }
    }
    double v = 0;
    const auto res = std::from_chars(number.data(), number.data() + number.size(), v);
    if (res.ec == std::errc::result_out_of_range)
        v = number.find("e-") != std::string::npos ? 0.0 : HUGE_VAL;
    value = negative ? -v : v;
    return i;
}

std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

} // namespace

double realValue(std::string_view field)
{
    field = trimBlanks(field);
    double v = 0;
    if (readHex(field, v) > 0)
        return v;
    if (readDecimal(field, v) > 0)
        return v;
    return 0;
}

std::optional<double> strictReal(std::string_view text)
{
    text = trimBlanks(text);
    double v = 0;
    if (text.empty() || readDecimal(text, v) != text.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<int64_t> wholeFromReal(double value, int bits)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double r = roundHalfEven(value);
    const double limit = std::ldexp(1.0, bits - 1);
    if (r < -limit || r >= limit)
        return std::nullopt;
    return static_cast<int64_t>(r);
}

std::optional<int64_t> wholeValue(std::string_view field, int bits)
{
    field = trimBlanks(field);
    double v = 0;
    size_t used = readHex(field, v);
    if (used == 0)
        used = readDecimal(field, v);
    if (used == 0 || used != field.size())
        return std::nullopt;
    return wholeFromReal(v, bits);
}

} // namespace vs
