#include "stick/config_read.h"

#include "stick/exchange.h"
#include "stick/fields.h"
#include "stick/stick_link.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>
#include <vector>

namespace vs {

namespace {

int upperIndex(const std::vector<std::string>& fields)
{
    return static_cast<int>(fields.size()) - 1;
}

// Number of records in a reply of groups of `size` fields: (U - 2) / size, rounded.
int groupCount(int u, int size)
{
    if (u < 2)
        return 0;
    const auto n = wholeFromReal(static_cast<double>(u - 2) / size, 16);
    return n ? static_cast<int>(*n) : 0;
}

// Collects the first conversion failure of a group parse.
class FieldReader {
public:
    FieldReader(const std::vector<std::string>& fields, const char* what) : fields_(fields), what_(what) {}

    const std::string& text(int index)
    {
        static const std::string empty;
        if (index >= upperIndex(fields_)) {
            fail(index, "is missing");
            return empty;
        }
        return fields_[static_cast<size_t>(index)];
    }
    double real(int index) { return realValue(text(index)); }
    int64_t whole(int index, int bits)
    {
        const std::string& f = text(index);
        if (!error_.empty())
            return 0;
        const auto v = wholeValue(f, bits);
        if (!v) {
            fail(index, "is not a whole number of " + std::to_string(bits) + " bits: \"" + f + "\"");
            return 0;
        }
        return *v;
    }
    const std::string& error() const { return error_; }

private:
    void fail(int index, const std::string& why)
    {
        if (error_.empty())
            error_ = std::string("bad ") + what_ + ": field " + std::to_string(index) + " " + why;
    }

    const std::vector<std::string>& fields_;
    const char* what_;
    std::string error_;
};

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::string lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

void readIdentity(StickRecord& s, const std::vector<std::string>& f)
{
    const int u = upperIndex(f);
    auto field = [&](int i) { return i <= u ? f[static_cast<size_t>(i)] : std::string(); };
    s.Name = field(1);
    s.Hardware = field(2);
    s.Firmware = field(3);

    // The protocol generation: digits after the first lower-case "p" of the firmware text.
    s.ProtocolVersion = 0;
    if (const auto p = s.Firmware.find('p'); p != std::string::npos) {
        const auto end = s.Firmware.find(' ', p + 1);
        const std::string digits = s.Firmware.substr(p + 1, end == std::string::npos ? std::string::npos : end - p - 1);
        const auto v = wholeFromReal(realValue(digits), 16);
        s.ProtocolVersion = v ? static_cast<int16_t>(*v) : 0;
    }

    // Protocol 1 announces half its poll delay as "name=hh" in field 8.
    if (s.ProtocolVersion == 1 && u > 8 && contains(f[8], "=")) {
        const std::string hex = "&h" + f[8].substr(f[8].find('=') + 1);
        const double delay = std::clamp(2 * realValue(hex), 0.0, 32767.0);
        s.PollDelayMs = static_cast<int16_t>(std::lround(delay));
        if (s.PollDelayMs == 0)
            s.PollDelayMs = 30;
    }

    s.IdFields.clear();
    for (int i = 4; i <= u - 1; ++i) {
        const std::string& v = f[static_cast<size_t>(i)];
        s.IdFields.push_back(v);
        if (const auto m = v.find("MCU="); m != std::string::npos)
            s.mcu = v.substr(m + 4);
        else if (i == 6)
            s.PlotTitle = v;
    }
}

} // namespace

int Nymstick_GetConfig(StickLink& link, int stick)
{
    if (!link.Nymstick_isOpen(stick))
        return 0;
    const std::string idx = std::to_string(stick);
    link.slot(stick)->Configured = false;

    const std::string idn = nym_ask(link, "*IDN?", stick, 40);
    if (StickRecord* s = link.slot(stick))
        s->IdnReply = idn;
    if (!link.StickErrorText.empty()) {
        link.StickErrorText = "nym_ask('*IDN?', " + idx + "):" + link.StickErrorText;
        return 0;
    }
    if (!contains(idn, ";") || !link.slot(stick))
        return 0;
    readIdentity(*link.slot(stick), splitFields(idn));

    Nymstick_ReadStickKnobs(link, stick);
    if (!link.StickErrorText.empty()) {
        link.StickErrorText = "Nymstick_ReadStickKnobs(" + idx + "):" + link.StickErrorText;
        return 0;
    }

    const std::string wfm = nym_ask(link, "WFMPRE?", stick);
    if (link.StickErrorText.empty() && !contains(wfm, ";"))
        link.StickErrorText = "no channel list in the reply \"" + wfm + "\"";
    if (link.StickErrorText.empty()) {
        const auto f = splitFields(wfm);
        const int n = groupCount(upperIndex(f), 9);
        FieldReader r(f, "channel list");
        std::vector<ChannelRecord> channels(static_cast<size_t>(n));
        for (int k = 0; k < n && r.error().empty(); ++k) {
            ChannelRecord& c = channels[static_cast<size_t>(k)];
            const int b = 9 * k;
            c.TypeCode = static_cast<int16_t>(r.whole(b + 1, 16));
            c.ChID = r.text(b + 2);
            c.Ylabel = r.text(b + 3);
            c.Yunit = r.text(b + 4);
            c.Factor = r.real(b + 5);
            c.Min = static_cast<int32_t>(r.whole(b + 6, 32));
            c.Max = static_cast<int32_t>(r.whole(b + 7, 32));
            c.RawOffset = static_cast<int32_t>(r.whole(b + 8, 32));
            c.ValueOffset = r.real(b + 9);
        }
        StickRecord* s = link.slot(stick);
        if (!s)
            return 0;
        if (!r.error().empty()) {
            // A damaged list leaves the slot unconfigured, never half-filled.
            s->Channels.clear();
            s->nChannels = 0;
            link.StickErrorText = r.error();
        } else {
            s->Channels = std::move(channels);
            s->nChannels = static_cast<int16_t>(n);
        }
    }
    if (!link.StickErrorText.empty()) {
        link.StickErrorText = "nym_ask('WFMPRE?', " + idx + "):" + link.StickErrorText;
        return 0;
    }

    Nymstick_InitWarnLevels(link, stick);
    Nymstick_ReadFlagsFirst(link, stick);
    if (!link.StickErrorText.empty()) {
        link.StickErrorText = "Nymstick_ReadFlagsFirst:" + link.StickErrorText;
        return 0;
    }
    if (StickRecord* s = link.slot(stick)) {
        s->ConfiguredAt = link.clock().now().toDays();
        s->Configured = true;
    }
    return 1;
}

void Nymstick_ReadStickKnobs(StickLink& link, int stick)
{
    if (!link.Nymstick_isOpen(stick))
        return;
    const std::string reply = nym_ask(link, "KNOBPRE?", stick);
    if (!link.StickErrorText.empty() || !contains(reply, ";"))
        return;
    const auto f = splitFields(reply);
    const int n = groupCount(upperIndex(f), 7);
    if (n <= 0) {
        // No knobs now: the count says so; the old array is left as it was.
        if (StickRecord* s = link.slot(stick))
            s->nKnobs = 0;
        return;
    }
    FieldReader r(f, "knob list");
    std::vector<KnobRecord> knobs(static_cast<size_t>(n));
    for (int k = 0; k < n && r.error().empty(); ++k) {
        KnobRecord& kn = knobs[static_cast<size_t>(k)];
        const int b = 7 * k;
        kn.Name = r.text(b + 1);
        kn.Unit = r.text(b + 2);
        kn.Divisor = r.real(b + 3);
        kn.Min = r.real(b + 4);
        kn.Max = r.real(b + 5);
        kn.Offset = static_cast<double>(r.whole(b + 6, 32));
        kn.Value = static_cast<double>(r.whole(b + 7, 32));
    }
    if (!r.error().empty()) {
        link.StickErrorText = r.error();
        return;
    }
    if (StickRecord* s = link.slot(stick)) {
        s->Knobs = std::move(knobs);
        s->nKnobs = static_cast<int16_t>(n);
    }
}

void Nymstick_ReadFlagsFirst(StickLink& link, int stick)
{
    if (StickRecord* s = link.slot(stick))
        s->Flags.assign(1, FlagRecord{});
    const std::string reply = nym_ask(link, "FLAGS?", stick);
    if (!link.StickErrorText.empty() || !contains(reply, ";"))
        return;
    const auto f = splitFields(reply);
    StickRecord* s = link.slot(stick);
    if (!s)
        return;
    s->Flags.clear();
    for (int i = 1; i <= upperIndex(f) - 1; ++i)
        s->Flags.push_back(FlagRecord{f[static_cast<size_t>(i)], {}});
    Nymstick_ReadFlags(link, stick);
}

void Nymstick_ReadFlags(StickLink& link, int stick)
{
    const std::string reply = nym_ask(link, "FLAGGET?", stick);
    if (!link.StickErrorText.empty() || !contains(reply, ";"))
        return;
    const auto f = splitFields(reply);
    StickRecord* s = link.slot(stick);
    if (!s)
        return;
    const int values = upperIndex(f) - 2;
    for (int i = 0; i < values && i < static_cast<int>(s->Flags.size()); ++i)
        s->Flags[static_cast<size_t>(i)].Value = f[static_cast<size_t>(i) + 1] + "&";
}

int Nymstick_InitWarnLevels(StickLink& link, int stick)
{
    StickRecord* s = link.slot(stick);
    if (!s)
        return 0;
    int last = 0;
    for (size_t c = 0; c < s->Channels.size(); ++c) {
        ChannelRecord& ch = s->Channels[c];
        ch.nWarn = 0;
        ch.WarnLevels.assign(1, 0.0);
        for (int k = 0; k < s->nKnobs && k < static_cast<int>(s->Knobs.size()); ++k) {
            const KnobRecord& kn = s->Knobs[static_cast<size_t>(k)];
            // A warn knob without a divisor gives no level.
            if (!contains(kn.Name, ch.Ylabel) || !contains(lower(kn.Name), "warn") || kn.Divisor == 0)
                continue;
            const double level = kn.Value / kn.Divisor - kn.Offset;
            if (ch.nWarn == 0)
                ch.WarnLevels[0] = level;
            else
                ch.WarnLevels.push_back(level);
            ++ch.nWarn;
            last = static_cast<int>(c);
        }
    }
    return last;
}

void Nymstick_ReadAllKnobs(StickLink& link)
{
    for (int i = 0; i < link.SlotsReserved; ++i)
        Nymstick_ReadStickKnobs(link, i);
}

void Nymstick_ReadAllFlags(StickLink& link)
{
    for (int i = 0; i < link.SlotsReserved; ++i)
        Nymstick_ReadFlagsFirst(link, i);
}

} // namespace vs
