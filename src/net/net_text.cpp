#include "net/net_text.h"

#include "common/numformat.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace vs {

std::string CleanString(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 32 && b <= 126)
            out += c;
    }
    return out;
}

std::string GetBracket_2(std::string_view text, size_t end)
{
    const size_t open = text.find('[');
    const size_t start = open == std::string_view::npos ? 1 : open + 1; // 1-based
    if (end == 0)
        end = text.size();
    if (end <= start)
        return "";
    return std::string(text.substr(start, end - start - 1));
}

std::string GetBracket_first(std::string_view text)
{
    const size_t close = text.find(']');
    return GetBracket_2(text, close == std::string_view::npos ? 0 : close + 1);
}

std::string GetBracket_last(std::string_view text)
{
    const size_t close = text.rfind(']');
    return GetBracket_2(text, close == std::string_view::npos ? 0 : close + 1);
}

std::vector<std::string> splitBars(std::string_view text)
{
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        const size_t bar = text.find('|', start);
        out.emplace_back(text.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start));
        if (bar == std::string_view::npos)
            return out;
        start = bar + 1;
    }
}

std::string wireNumber(double value)
{
    return generalNumber(value, '.');
}

double leadingWireNumber(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    std::string number;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        number += text[i++];
    bool digits = false;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        number += text[i++];
        digits = true;
    }
    if (i < text.size() && text[i] == '.') {
        number += text[i++];
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            number += text[i++];
            digits = true;
        }
    }
    if (!digits)
        return 0;
    if (i + 1 < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        std::string exponent = "e";
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            exponent += text[j++];
        if (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) {
            while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j])))
                exponent += text[j++];
            number += exponent;
        }
    }
    const double v = std::strtod(number.c_str(), nullptr);
    return std::isfinite(v) ? v : 0;
}

} // namespace vs
