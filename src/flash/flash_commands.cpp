#include "flash/flash_commands.h"

#include "stick/exchange.h"
#include "stick/fields.h"
#include "stick/knob_flag.h"
#include "stick/stick_link.h"

#include <cmath>

namespace vs {

namespace {

std::string field1(const std::string& reply)
{
    const auto f = splitFields(reply);
    return f.size() > 1 ? f[1] : std::string();
}

int wholeField1(const std::string& reply)
{
    if (reply.find(';') == std::string::npos)
        return 0;
    const auto v = wholeValue(field1(reply), 32);
    return v ? static_cast<int>(*v) : 0;
}

} // namespace

std::string Nymstick_FlashLog(StickLink& link, int stick, bool on)
{
    return nym_ask(link, on ? "FLSTART" : "FLSTOP", stick);
}

int32_t logBufferSizeFromReply(const std::string& reply)
{
    if (reply.find(';') == std::string::npos)
        return 0;
    const double n = realValue(field1(reply) + "&");
    return n > 0 && n < 2147483647.0 ? static_cast<int32_t>(n) : 0;
}

int32_t Nymstick_LogBufferSize(StickLink& link, int stick)
{
    const std::string reply = nym_ask(link, "LBSIZE?", stick);
    return link.StickErrorText.empty() ? logBufferSizeFromReply(reply) : 0;
}

int16_t Nymstick_LogBufferRead(StickLink& link, int stick, std::vector<uint8_t>& buffer)
{
    // Sent once: asking again would have the stick serve the next block.
    return nym_ask_short_bin(link, "LBR", stick, buffer, 1, true);
}

int Nymstick_nRecords(StickLink& link, int stick)
{
    return wholeField1(nym_ask(link, "RECORDS?", stick));
}

int Nymstick_SetRecord(StickLink& link, int stick, int record)
{
    return wholeField1(nym_ask(link, "LBRM;" + std::to_string(record + 2), stick));
}

int Nymstick_SetAvg(StickLink& link, int stick, int n)
{
    return wholeField1(nym_ask(link, "LBAVG;" + std::to_string(n), stick));
}

int Nymstick_SetReadMode(StickLink& link, int stick, int mode)
{
    return wholeField1(nym_ask(link, "LBRM;" + std::to_string(mode), stick));
}

int flashValuesPerReport(const StickLink& link, int stick)
{
    const StickRecord* s = link.slot(stick);
    if (!s)
        return 0;
    // Whole 16-bit values after the report ID, "@" and the sequence byte.
    return std::max(0, (s->InputReportLength - 3) / 2);
}

double logIntervalSeconds(const StickLink& link, int stick)
{
    const StickRecord* s = link.slot(stick);
    if (!s)
        return 10;
    for (int k = 0; k < s->nKnobs && k < static_cast<int>(s->Knobs.size()); ++k) {
        const KnobRecord& knob = s->Knobs[static_cast<size_t>(k)];
        if (knob.Name == "LogInterval")
            return knobDisplayFromRaw(knob, knob.Value);
    }
    return 10;
}

} // namespace vs
