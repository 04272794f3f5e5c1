#include "stick/value_read.h"

#include "stick/exchange.h"
#include "stick/fields.h"
#include "stick/stick_link.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace vs {

namespace {

constexpr uint32_t kMaxShown32 = 42949672;

} // namespace

std::optional<uint32_t> GetU16(const std::vector<uint8_t>& buffer, size_t& position)
{
    const size_t at = position;
    position += 2;
    if (at + 2 > buffer.size())
        return std::nullopt;
    return static_cast<uint32_t>(buffer[at] | (buffer[at + 1] << 8));
}

std::optional<uint32_t> GetU32(const std::vector<uint8_t>& buffer, size_t& position)
{
    const size_t at = position;
    position += 4;
    if (at + 4 > buffer.size())
        return std::nullopt;
    return static_cast<uint32_t>(buffer[at]) | (static_cast<uint32_t>(buffer[at + 1]) << 8) |
           (static_cast<uint32_t>(buffer[at + 2]) << 16) | (static_cast<uint32_t>(buffer[at + 3]) << 24);
}

int reportCount(int payloadBytes, int inputReportLength)
{
    if (inputReportLength < 2)
        return 0;
    return static_cast<int>(std::floor(static_cast<double>(payloadBytes) / (inputReportLength - 1) + 0.5));
}

void Nymstick_SetChannelRaw(StickLink& link, int stick, int channel, double raw)
{
    StickRecord* s = link.slot(stick);
    if (!s || channel < 0 || channel >= s->nChannels || channel >= static_cast<int>(s->Channels.size()))
        return;
    ChannelRecord& c = s->Channels[static_cast<size_t>(channel)];
    c.LastValue = (raw - c.RawOffset) * c.Factor + c.ValueOffset;
    c.HasValue = std::isfinite(c.LastValue);
}

void ParseBinaryValues(StickLink& link, int stick, const std::vector<uint8_t>& buffer, size_t& position)
{
    for (int ch = 0; ch < 3; ++ch)
        if (const auto raw = GetU16(buffer, position))
            Nymstick_SetChannelRaw(link, stick, ch, *raw);
    for (int ch = 3; ch < 5; ++ch)
        if (const auto raw = GetU32(buffer, position); raw && *raw <= kMaxShown32)
            Nymstick_SetChannelRaw(link, stick, ch, *raw);
}

int16_t Nymstick_ReadPV(StickLink& link, int stick)
{
    link.TraceBuffer.clear();
    const StickRecord* s = link.slot(stick);
    if (!s)
        return 0;

    if (s->ProtocolVersion < 1) {
        const std::string reply = nym_ask(link, "*TRG", stick);
        if (reply.find(';') == std::string::npos)
            return 0;
        const auto f = splitFields(reply);
        s = link.slot(stick);
        if (!s)
            return 0;
        const int n = std::min<int>(s->nChannels, static_cast<int>(f.size()) - 1 - 2);
        if (n < 1)
            return 0;
        for (int i = 0; i < n; ++i)
            Nymstick_SetChannelRaw(link, stick, i, realValue(f[static_cast<size_t>(i) + 1]));
        return 1;
    }

    const bool withFlags = s->ProtocolVersion >= 5;
    if (s->InputReportLength == 0)
        return 0;
    const int payload = 16 + (withFlags ? 2 * static_cast<int>(s->Flags.size()) : 0);
    int n = reportCount(payload, s->InputReportLength);
    // The rounded count gives 0 where one report holds the whole reply (65-byte
    // reports): such a stick is read with one report.
    if (n == 0 && s->InputReportLength >= 2 && payload <= s->InputReportLength - 1)
        n = 1;
    if (n == 0)
        return 0;
    std::vector<uint8_t> buffer;
    const int16_t result = nym_ask_short_bin(link, withFlags ? "TRF?" : "*TR", stick, buffer, n);
    if (result == kBinOk) {
        size_t position = 2; // "@" and the sequence byte
        ParseBinaryValues(link, stick, buffer, position);
        if (withFlags)
            if (StickRecord* w = link.slot(stick))
                for (FlagRecord& flag : w->Flags)
                    if (const auto v = GetU16(buffer, position))
                        flag.Value = std::to_string(*v);
    }
    TraceBinaryReply(link, buffer, result, stick);
    return 1;
}

} // namespace vs
