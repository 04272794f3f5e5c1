#include "stick/knob_flag.h"

#include "common/numformat.h"
#include "common/prompts.h"
#include "stick/config_read.h"
#include "stick/exchange.h"
#include "stick/fields.h"
#include "stick/stick_link.h"

#include <algorithm>
#include <cmath>

namespace vs {

namespace {

// Only the low 16 bits travel; a negative number sends its two's complement.
std::string binary16(int64_t raw)
{
    const auto v = static_cast<uint16_t>(static_cast<uint64_t>(raw) & 0xFFFF);
    return std::string{'\x02', static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

double divisorOf(const KnobRecord& knob)
{
    return knob.Divisor == 0 ? 1.0 : knob.Divisor;
}

std::string responseOf(const std::string& reply)
{
    const auto fields = splitFields(reply);
    return fields.size() >= 2 ? fields[1] : reply;
}

void sendFixedFlag(StickLink& link, int stick, const std::string& flagPart)
{
    if (!link.Nymstick_isOpen(stick))
        return;
    for (const FlagRecord& f : link.slot(stick)->Flags)
        if (f.Name.find(flagPart) != std::string::npos) {
            nym_ask(link, flagSetCommand(flagPart, 0x8001), stick);
            return;
        }
}

bool sendChange(StickLink& link, Prompts& prompts, int stick, const std::string& command)
{
    const std::string reply = nym_ask(link, command, stick, 100);
    if (StickRecord* s = link.slot(stick))
        s->ConfiguredAt = link.clock().now().toDays();
    if (replyAccepted(reply))
        return true;
    const StickRecord* s = link.slot(stick);
    prompts.information("Value was not accepted by " + (s ? s->Name : std::string()) + ".\r\nResponse: " +
                        responseOf(reply));
    return false;
}

} // namespace

std::string knobSetCommand(const std::string& knobName, int64_t raw)
{
    return "KNOBSET;" + knobName + "=" + binary16(raw) + ";";
}

std::string flagSetCommand(const std::string& flagName, int64_t raw)
{
    return "FLAGSET;" + flagName + "=" + binary16(raw);
}

int64_t knobRawFromDisplay(const KnobRecord& knob, double display)
{
    const double raw = roundHalfEven((display + knob.Offset) * divisorOf(knob));
    if (!std::isfinite(raw))
        return 0;
    return static_cast<int64_t>(std::clamp(raw, -9.0e18, 9.0e18));
}

double knobDisplayFromRaw(const KnobRecord& knob, double raw)
{
    return raw / divisorOf(knob) - knob.Offset;
}

bool replyAccepted(const std::string& reply)
{
    return reply.find("OK") != std::string::npos;
}

std::optional<std::string> SetKnob(StickLink& link, Prompts& prompts, int stick, int knobIndex,
                                   const std::string& displayText)
{
    if (link.Nymstick_CountConnected() <= 0 || !link.Nymstick_isOpen(stick))
        return std::nullopt;
    const auto number = strictReal(displayText);
    const StickRecord* s = link.slot(stick);
    if (!number || knobIndex < 0 || knobIndex >= static_cast<int>(s->Knobs.size()))
        return std::nullopt;
    const KnobRecord knob = s->Knobs[static_cast<size_t>(knobIndex)];
    if (*number < knob.Min || *number > knob.Max) {
        prompts.information("Value outside limits, not changed.");
        return std::nullopt;
    }
    const int64_t raw = knobRawFromDisplay(knob, *number);
    if (!sendChange(link, prompts, stick, knobSetCommand(knob.Name, raw)))
        return std::nullopt;
    const std::string shown = formatNumber(knobDisplayFromRaw(knob, static_cast<double>(raw)), "##0.00");
    Nymstick_ReadStickKnobs(link, stick);
    Nymstick_InitWarnLevels(link, stick);
    return shown;
}

bool SetFlag(StickLink& link, Prompts& prompts, int stick, int flagIndex, int32_t value)
{
    if (link.Nymstick_CountConnected() <= 0 || !link.Nymstick_isOpen(stick))
        return false;
    const StickRecord* s = link.slot(stick);
    if (flagIndex < 0 || flagIndex >= static_cast<int>(s->Flags.size()))
        return false;
    const std::string name = s->Flags[static_cast<size_t>(flagIndex)].Name;
    if (!sendChange(link, prompts, stick, flagSetCommand(name, value)))
        return false;
    Nymstick_ReadFlagsFirst(link, stick);
    Nymstick_InitWarnLevels(link, stick);
    return true;
}

void Nymstick_ResetBaseline(StickLink& link, int stick)
{
    sendFixedFlag(link, stick, "RESET BASELINE");
}

void Nymstick_CalibrateHeater(StickLink& link, int stick)
{
    sendFixedFlag(link, stick, "CALIBRATE HEATER");
}

} // namespace vs
