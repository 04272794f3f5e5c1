#pragma once
#include "common/clock.h"

#include <functional>
#include <string>
#include <string_view>

namespace vs {

// The named date and time formats, as the system defines them.
struct NamedDateFormats {
    std::string shortDate = "dd.mm.yyyy";
    std::string longDate = "dddd, d. mmmm yyyy";
    std::string longTime = "hh:nn:ss";
    std::string shortTime = "hh:nn";
};

// Formats a date and time with a picture of the kind users write in the
// settings: "yyyy-mm-dd Hh:Nn:Ss", "YYMMDD", "HHmmss", "Hh:Nn", or a named
// format ("Short Date", "Long Date", "Long Time", "Short Time", "General Date").
// Letters are matched in any case: y year, m month (minutes right after an
// hour), d day, h hour, n minutes, s seconds; anything else is copied, and
// text in double quotes or after a backslash is literal.
std::string formatDateTime(const LocalDateTime& t, std::string_view picture,
                           const NamedDateFormats& named = NamedDateFormats{});

} // namespace vs
