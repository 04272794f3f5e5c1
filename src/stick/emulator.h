#pragma once
#include "stick/stick_link.h"

#include <string>

namespace vs {

// Answers a text command for an emulated slot at once, in the escaped reply
// form of a real stick: five channels, three knobs, four flags and slowly
// varying random values.
std::string Nymstick_Emulate(StickLink& link, const std::string& command, int stick);

} // namespace vs
