#pragma once
#include <string>

namespace vs {

class StickLink;

// Reads identity, knobs, channels, warning levels, flags and flag values into
// the slot's record. 1 when all was read; otherwise 0 with StickErrorText
// prefixed by the failing step, and what was read so far left in the record.
int Nymstick_GetConfig(StickLink& link, int stick);

// "KNOBPRE?": the knob list. A reply without knobs leaves the old list.
void Nymstick_ReadStickKnobs(StickLink& link, int stick);
// "FLAGS?" then "FLAGGET?": the flag names and their values.
void Nymstick_ReadFlagsFirst(StickLink& link, int stick);
// "FLAGGET?": the flag values, in the order of the names.
void Nymstick_ReadFlags(StickLink& link, int stick);
// Each channel's warning levels from the knobs whose name contains the
// channel's name and the word "warn"; the index of the last channel that got
// a level, 0 if none.
int Nymstick_InitWarnLevels(StickLink& link, int stick);
void Nymstick_ReadAllKnobs(StickLink& link);
void Nymstick_ReadAllFlags(StickLink& link);

} // namespace vs
