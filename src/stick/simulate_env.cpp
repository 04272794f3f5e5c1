#include "stick/simulate_env.h"

#include "stick/fields.h"
#include "stick/report_io.h"
#include "stick/sim_stick.h"
#include "stick/stick_link.h"

namespace vs {

namespace {

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool digitsOnly(std::string_view s)
{
    if (s.empty() || s.size() > 4)
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

} // namespace

SimParse parseSimulateSpec(std::string_view text)
{
    SimParse out;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = text.find(',', start);
        const std::string_view raw = text.substr(start, comma == std::string_view::npos ? text.npos : comma - start);
        start = comma == std::string_view::npos ? text.size() + 1 : comma + 1;
        const std::string_view entry = trim(raw);
        if (entry.empty())
            continue;
        SimSpec spec;
        std::string_view body = entry;
        if (const size_t eq = body.find('='); eq != std::string_view::npos) {
            spec.serial = std::string(trim(body.substr(eq + 1)));
            body = body.substr(0, eq);
        }
        // "!n" and "~n" at the end, in that order: a number of at least `least`.
        const auto suffix = [&](char mark, int least, int& into, const char* meaning) {
            const size_t at = body.find(mark);
            if (at == std::string_view::npos)
                return true;
            const std::string_view number = body.substr(at + 1);
            if (!digitsOnly(number) || std::stoi(std::string(number)) < least) {
                out.errors.push_back("\"" + std::string(entry) + "\": after " + mark + " comes " + meaning);
                return false;
            }
            into = std::stoi(std::string(number));
            body = body.substr(0, at);
            return true;
        };
        if (!suffix('!', 1, spec.leaveAt, "the ask for values that pulls it out (1 or more)") ||
            !suffix('~', 2, spec.loseEvery, "how often a report is lost (2 or more)"))
            continue;
        const size_t slash = body.find('/');
        const std::string_view gen = body.substr(0, slash);
        const std::string_view len = slash == std::string_view::npos ? std::string_view{} : body.substr(slash + 1);
        if (!digitsOnly(gen)) {
            out.errors.push_back("\"" + std::string(entry) + "\": the protocol generation must be a number");
            continue;
        }
        spec.protocol = std::stoi(std::string(gen));
        if (slash != std::string_view::npos) {
            const int length = digitsOnly(len) ? std::stoi(std::string(len)) : -1;
            if (length != 9 && length != 33 && length != 65) {
                out.errors.push_back("\"" + std::string(entry) + "\": the report length must be 9, 33 or 65");
                continue;
            }
            spec.inputReportLength = length;
        }
        out.specs.push_back(spec);
    }
    return out;
}

std::shared_ptr<SimulatedStick> simulatedStick(const SimSpec& spec, int index, const Clock& clock)
{
    auto sim = std::make_shared<SimulatedStick>(spec.protocol, spec.inputReportLength, index, clock,
                                                static_cast<uint32_t>(index + 1));
    sim->loseEvery(spec.loseEvery);
    sim->leaveAtValueAsk(spec.leaveAt);
    if (spec.serial)
        sim->firmware().setSerial(*spec.serial);
    return sim;
}

std::vector<std::shared_ptr<SimulatedStick>> attachSimulatedSticks(StickLink& link, const std::vector<SimSpec>& specs,
                                                                   const Clock& clock)
{
    std::vector<std::shared_ptr<SimulatedStick>> sticks;
    for (size_t i = 0; i < specs.size(); ++i) {
        auto sim = simulatedStick(specs[i], static_cast<int>(i), clock);
        const int slot = link.Nymstick_AddSlot("sim:" + std::to_string(i));
        link.slot(slot)->Seen = 2;
        Nymstick_AttachDevice(link, slot, sim, sim->inputReportLength(), sim->outputReportLength(),
                              sim->featureReportLength());
        sticks.push_back(std::move(sim));
    }
    return sticks;
}

} // namespace vs
