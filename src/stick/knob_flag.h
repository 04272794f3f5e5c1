#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace vs {

class StickLink;
class Prompts;
struct KnobRecord;

// "KNOBSET;" + name + "=" + 0x02, low byte, high byte + ";"
std::string knobSetCommand(const std::string& knobName, int64_t raw);
// "FLAGSET;" + name + "=" + 0x02, low byte, high byte
std::string flagSetCommand(const std::string& flagName, int64_t raw);

// raw = (display + Offset) x Divisor, halves to even; and back: raw / Divisor - Offset.
// A knob without a divisor is taken as divisor 1.
int64_t knobRawFromDisplay(const KnobRecord& knob, double display);
double knobDisplayFromRaw(const KnobRecord& knob, double raw);

// A stick accepts a change by answering with a text containing "OK".
bool replyAccepted(const std::string& reply);

// Validates the text, sends the new knob value and on acceptance re-reads the
// knobs and warning levels. Returns the value as now shown ("##0.00"), or no
// value when nothing was changed; the user is told why through `prompts`.
std::optional<std::string> SetKnob(StickLink& link, Prompts& prompts, int stick, int knobIndex,
                                   const std::string& displayText);
// Sends a new flag value and on acceptance re-reads flags and warning levels.
bool SetFlag(StickLink& link, Prompts& prompts, int stick, int flagIndex, int32_t value);

void Nymstick_ResetBaseline(StickLink& link, int stick);
void Nymstick_CalibrateHeater(StickLink& link, int stick);

} // namespace vs
