#pragma once
#include <string>

namespace vs {

class StickLink;

// The description of one slot shown in the sensor information window and
// written to the trace log: identity, channels, knobs and flags, CR LF lines.
std::string StickDescription(const StickLink& link, int stick);

} // namespace vs
