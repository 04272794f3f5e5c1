#pragma once

namespace vs {

class StickLink;

// A stick's threshold knobs: a knob belongs to a channel when its name holds
// the channel's label (case as written) and "warn" in any case; the first
// such knob in knob order is the channel's level-1 threshold, the second its
// level-2 threshold. -1 when there is none.
int FindWarningLevelKnobInChannel(const StickLink& link, int level, int stick, int channel);
// Over all channels in order: the knob found for the last channel that has one.
int FindWarningLevelKnob(const StickLink& link, int level, int stick);

} // namespace vs
