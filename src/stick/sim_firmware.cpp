#include "stick/sim_firmware.h"

#include "stick/fields.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vs {

namespace {

constexpr double kWarmupMs = 60000;
constexpr double kActionMs = 10000;
constexpr uint16_t kActive = 0x8000;

std::string bin16(uint16_t v)
{
    return std::string{'\x12', static_cast<char>(v >> 8), static_cast<char>(v & 0xFF)};
}

std::string bin32(uint32_t v)
{
    return std::string{'\x13', static_cast<char>(v >> 24), static_cast<char>((v >> 16) & 0xFF),
                       static_cast<char>((v >> 8) & 0xFF), static_cast<char>(v & 0xFF)};
}

void putU16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

void putU32(std::vector<uint8_t>& out, uint32_t v)
{
    putU16(out, v & 0xFFFF);
    putU16(out, v >> 16);
}

// The value behind "name=" + 0x02 + low + high.
bool parseAssignment(const std::string& a, std::string& name, uint16_t& value)
{
    const auto eq = a.rfind('=', a.size() >= 3 ? a.size() - 3 : 0);
    if (eq == std::string::npos || eq + 4 > a.size() || a[eq + 1] != '\x02')
        return false;
    name = a.substr(0, eq);
    value = static_cast<uint16_t>(static_cast<uint8_t>(a[eq + 2]) | (static_cast<uint8_t>(a[eq + 3]) << 8));
    return true;
}

std::vector<uint16_t> makeRecording(size_t length, double phase)
{
    std::vector<uint16_t> r(length);
    for (size_t i = 0; i < length; ++i)
        r[i] = static_cast<uint16_t>(900 + 500 * std::sin(phase + static_cast<double>(i) * 2 * std::numbers::pi / 480));
    return r;
}

} // namespace

SimFirmware::SimFirmware(int protocol, int index, int inputReportLength, const Clock& clock, uint32_t seed)
    : protocol_(protocol),
      index_(index),
      serial_("SIM" + std::string(16, '0') + std::to_string(1000 + index)),
      valuesPerBlock_(std::max(0, (inputReportLength - 3) / 2)),
      clock_(clock),
      startMs_(clock.elapsedMs()),
      rng_(seed)
{
    reset();
}

void SimFirmware::reset()
{
    knobs_ = {
        {"CO2eq_warn1", "ppm", 1, 0, 5000, 0, 1000, 1000},
        {"CO2eq_warn2", "ppm", 1, 0, 5000, 0, 1500, 1500},
        {"LogInterval", "s", 1, 0, 3600, 0, 60, 60},
        {"Heater_Set", "", 1, 0, 200, 0, 147, 147},
    };
    flags_ = {{"WARMUP", kActive | 1, startMs_ + kWarmupMs}, {"BURN-IN", 0, 0}, {"RESET BASELINE", 0, 0},
              {"CALIBRATE HEATER", 0, 0}};
    recordings_ = {makeRecording(1440, 0), makeRecording(300, 1), makeRecording(40, 2)};
    readMode_ = 0;
    averaging_ = 0;
    cursor_ = 0;
}

std::vector<uint32_t> SimFirmware::currentRaw()
{
    // Each stick sits in its own room: its air changes on its own schedule.
    const double t = clock_.now().secondsSinceMidnight() + 170.0 * index_;
    std::normal_distribution<double> noise(0, 1);
    const double co2 = std::clamp(1225 - 60 * index_ + 700 * std::sin(2 * std::numbers::pi * t / 900) + 25 * noise(rng_), 450.0, 2000.0);
    const double temp = 2150 + 150 * std::sin(2 * std::numbers::pi * t / 3600) + 5 * noise(rng_);
    const double humidity = 450 + 50 * std::cos(2 * std::numbers::pi * t / 1800) + 3 * noise(rng_);
    const double heater = 9000 + 30 * noise(rng_);
    const double rs = 200000 * 450 / co2;
    return {static_cast<uint32_t>(std::lround(co2)), static_cast<uint32_t>(std::lround(temp)),
            static_cast<uint32_t>(std::lround(humidity)), static_cast<uint32_t>(std::lround(heater)),
            static_cast<uint32_t>(std::lround(rs))};
}

std::string SimFirmware::identity() const
{
    std::string s = "Ventiscope simulated stick " + std::to_string(index_) + ";B;2.3p" + std::to_string(protocol_) +
                    " sim;https://ventiscope.example/sim;MCU=SIM8;Simulated air;" +
                    (serial_.empty() ? std::string() : "S/N:" + serial_) + ";";
    if (protocol_ == 1)
        s += "PollHalf=0F;"; // half of a 30 ms poll delay
    return s + ";\n";
}

std::string SimFirmware::channelList() const
{
    return std::string("\x01\x02") + ";0;CO2eq;ppm;1;0;5000;0;0;" + std::string("\x01\x02") +
           ";1;Temp;C;0.01;0;10000;0;0;" + std::string("\x01\x01") + ";2;Humidity;%RH;0.1;0;1000;0;0;" +
           std::string("\x01\x03") + ";3;Rh;ohm;0.01;0;200;0;0;" + std::string("\x01\x03") +
           ";4;Rs;ohm;1;0;200000;0;0;\n";
}

std::string SimFirmware::knobList() const
{
    std::string s;
    auto num = [](double v) {
        const double r = std::round(v);
        return r == v ? std::to_string(static_cast<long long>(r)) : std::to_string(v);
    };
    for (const Knob& k : knobs_)
        s += k.name + ";" + k.unit + ";" + num(k.divisor) + ";" + num(k.min) + ";" + num(k.max) + ";" +
             std::to_string(k.offset) + ";" + bin16(k.raw) + ";";
    return s + ";\n";
}

std::string SimFirmware::flagNames() const
{
    std::string s;
    for (const Flag& f : flags_)
        s += f.name + ";";
    return s + "\n";
}

uint16_t SimFirmware::flagValue(Flag& f) const
{
    if ((f.value & kActive) && clock_.elapsedMs() >= f.activeUntilMs)
        f.value = 0;
    return f.value;
}

std::string SimFirmware::flagValues()
{
    std::string s;
    for (Flag& f : flags_)
        s += bin16(flagValue(f)) + ";";
    return s + ";\n";
}

std::string SimFirmware::setKnob(const std::string& assignment)
{
    std::string name;
    uint16_t raw = 0;
    if (!parseAssignment(assignment, name, raw))
        return "ERR;malformed;\n";
    for (Knob& k : knobs_)
        if (k.name == name) {
            const double shown = raw / k.divisor - k.offset;
            if (shown < k.min || shown > k.max)
                return "ERR;out of range;\n";
            k.raw = raw;
            return "OK;\n";
        }
    return "ERR;unknown knob;\n";
}

std::string SimFirmware::setFlag(const std::string& assignment)
{
    std::string name;
    uint16_t value = 0;
    if (!parseAssignment(assignment, name, value))
        return "ERR;malformed;\n";
    for (Flag& f : flags_)
        if (f.name == name) {
            f.value = value;
            f.activeUntilMs = clock_.elapsedMs() + kActionMs;
            return "OK;\n";
        }
    return "ERR;unknown flag;\n";
}

std::vector<uint16_t> SimFirmware::selection() const
{
    if (readMode_ == 1) {
        std::vector<uint16_t> all;
        for (const auto& r : recordings_)
            all.insert(all.end(), r.begin(), r.end());
        return all;
    }
    if (readMode_ >= 2)
        return recordings_[static_cast<size_t>(readMode_ - 2)];
    return recordings_.empty() ? std::vector<uint16_t>{} : recordings_.back();
}

std::string SimFirmware::selectRecord(const std::string& arg)
{
    const auto mode = wholeValue(arg, 16);
    if (!mode || *mode < 0 || *mode > static_cast<int64_t>(recordings_.size()) + 1)
        return "ERR;no such record;\n";
    readMode_ = static_cast<int>(*mode);
    cursor_ = 0;
    return std::to_string(readMode_) + ";\n";
}

std::vector<uint8_t> SimFirmware::nextBlock()
{
    const std::vector<uint16_t> data = selection();
    const size_t step = averaging_ > 1 ? static_cast<size_t>(averaging_) : 1;
    std::vector<uint8_t> out;
    for (int i = 0; i < valuesPerBlock_; ++i) {
        const size_t from = cursor_ * step;
        if (from >= data.size()) {
            putU16(out, 0xFFFF);
            continue;
        }
        const size_t to = std::min(data.size(), from + step);
        double sum = 0;
        for (size_t j = from; j < to; ++j)
            sum += data[j];
        putU16(out, static_cast<uint32_t>(std::lround(sum / static_cast<double>(to - from))));
        ++cursor_;
    }
    lastBlock_ = out;
    return out;
}

std::string SimFirmware::textReply(const std::string& command)
{
    if (command == "*IDN?")
        return identity();
    if (command == "WFMPRE?")
        return channelList();
    if (command == "KNOBPRE?")
        return knobList();
    if (command == "FLAGS?")
        return flagNames();
    if (command == "FLAGGET?")
        return flagValues();
    if (command == "*TRG") {
        std::string s;
        for (uint32_t v : currentRaw())
            s += std::to_string(v) + ";";
        return s + ";\n";
    }
    if (command.rfind("KNOBSET;", 0) == 0) {
        std::string a = command.substr(8);
        if (!a.empty() && a.back() == ';')
            a.pop_back();
        return setKnob(a);
    }
    if (command.rfind("FLAGSET;", 0) == 0)
        return setFlag(command.substr(8));
    if (command == "*RST") {
        reset();
        recordings_.clear();
        return "OK;\n";
    }
    if (command == "FLSTART" || command == "FLSTOP") {
        recording_ = command == "FLSTART";
        return "OK;\n";
    }
    if (command == "LBSIZE?")
        return bin32(static_cast<uint32_t>(selection().size() + static_cast<size_t>(extraClaimed_))) + ";\n";
    if (command == "RECORDS?")
        return std::to_string(recordings_.size()) + ";\n";
    if (command.rfind("LBRM;", 0) == 0)
        return selectRecord(command.substr(5));
    if (command.rfind("LBAVG;", 0) == 0) {
        const auto n = wholeValue(command.substr(6), 16);
        if (!n || *n < 0)
            return "ERR;bad averaging;\n";
        averaging_ = static_cast<int>(*n);
        cursor_ = 0;
        return std::to_string(averaging_) + ";\n";
    }
    return "ERR;unknown command;\n";
}

std::vector<uint8_t> SimFirmware::binaryReply(const std::string& command)
{
    std::vector<uint8_t> out;
    if (command == "*TR" || command == "TRF?") {
        const auto raw = currentRaw();
        for (int i = 0; i < 3; ++i)
            putU16(out, raw[static_cast<size_t>(i)]);
        putU32(out, raw[3]);
        putU32(out, raw[4]);
        if (command == "TRF?")
            for (Flag& f : flags_)
                putU16(out, flagValue(f));
    } else if (command == "LBR") {
        out = nextBlock();
    } else if (command == "NAK") {
        out = lastBlock_.empty() ? nextBlock() : lastBlock_;
    }
    return out;
}

} // namespace vs
