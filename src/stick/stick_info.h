#pragma once
#include <string>

namespace vs {

class StickLink;

// The description of one slot shown in the sensor information window and
// written to the trace log: identity, channels, knobs and flags, CR LF lines.
std::string StickDescription(const StickLink& link, int stick);

// The sensor information text: "Application Version: " + version, then
// " (" + extra + ")" when there is a build text, an empty line, then every slot's description. At trace level
// 210 and above each stick is also asked "*TRG" and its recent exchange trace
// follows its description.
std::string sensorInformation(StickLink& link, const std::string& version, const std::string& extra);

} // namespace vs
