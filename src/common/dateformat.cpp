#include "common/dateformat.h"

#include <cctype>
#include <cstdio>

namespace vs {

namespace {

const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};
const char* const kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

std::string two(int v)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

int weekday(const LocalDateTime& t)
{
    // 1899-12-30 was a Saturday.
    const long days = static_cast<long>(LocalDateTime{t.year, t.month, t.day, 0, 0, 0, 0}.toDays());
    return static_cast<int>(((days % 7) + 7 + 6) % 7);
}

} // namespace

std::string formatDateTime(const LocalDateTime& t, std::string_view picture, const NamedDateFormats& named)
{
    if (equalsNoCase(picture, "Short Date"))
        return formatDateTime(t, named.shortDate, named);
    if (equalsNoCase(picture, "Long Date"))
        return formatDateTime(t, named.longDate, named);
    if (equalsNoCase(picture, "Long Time"))
        return formatDateTime(t, named.longTime, named);
    if (equalsNoCase(picture, "Short Time"))
        return formatDateTime(t, named.shortTime, named);
    if (equalsNoCase(picture, "General Date") || picture.empty())
        return formatDateTime(t, named.shortDate + " " + named.longTime, named);

    std::string out;
    bool afterHour = false;
    size_t i = 0;
    while (i < picture.size()) {
        const char c = picture[i];
        if (c == '"') {
            const size_t end = picture.find('"', i + 1);
            out += picture.substr(i + 1, end == std::string_view::npos ? std::string_view::npos : end - i - 1);
            i = end == std::string_view::npos ? picture.size() : end + 1;
            continue;
        }
        if (c == '\\' && i + 1 < picture.size()) {
            out += picture[i + 1];
            i += 2;
            continue;
        }
        const char lc = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        size_t n = 1;
        while (i + n < picture.size() && std::tolower(static_cast<unsigned char>(picture[i + n])) == lc &&
               std::string_view("ymdhns").find(lc) != std::string_view::npos)
            ++n;
        switch (lc) {
        case 'y':
            out += n >= 3 ? std::to_string(t.year) : two(t.year % 100);
            break;
        case 'm':
            if (afterHour && n <= 2) {
                out += n == 2 ? two(t.minute) : std::to_string(t.minute);
                afterHour = false;
            } else if (n >= 4) {
                out += kMonths[(t.month + 11) % 12];
            } else if (n == 3) {
                out += std::string(kMonths[(t.month + 11) % 12]).substr(0, 3);
            } else {
                out += n == 2 ? two(t.month) : std::to_string(t.month);
            }
            break;
        case 'd':
            if (n >= 4)
                out += kDays[weekday(t)];
            else if (n == 3)
                out += std::string(kDays[weekday(t)]).substr(0, 3);
            else
                out += n == 2 ? two(t.day) : std::to_string(t.day);
            break;
        case 'h':
            out += n >= 2 ? two(t.hour) : std::to_string(t.hour);
            afterHour = true;
            i += n;
            continue;
        case 'n':
            out += n >= 2 ? two(t.minute) : std::to_string(t.minute);
            break;
        case 's':
            out += n >= 2 ? two(t.second) : std::to_string(t.second);
            break;
        default:
            out += std::string(n, c);
            i += n;
            continue; // separators keep an hour's "mm" meaning minutes
        }
        afterHour = false;
        i += n;
    }
    return out;
}

} // namespace vs
