#pragma once

namespace vs {

class StickLink;

// A stick offers the flash download when it has a knob named exactly
// "LogInterval" whose value is not 0.
bool nymstick_CheckFlashAvailable(const StickLink& link, int stick);
// True when any open slot offers it.
bool CheckFlashAvailable(const StickLink& link);

} // namespace vs
