#pragma once
#include "common/clock.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace vs {

// The command logic of a simulated stick: identity, channel, knob and flag
// lists, current values, knob and flag changes, reset and the flash recorder.
// Replies are raw bytes as the stick sends them (binary numbers behind length
// prefixes); framing into reports is the caller's business.
class SimFirmware {
public:
    struct Knob {
        std::string name, unit;
        double divisor, min, max;
        int offset;
        uint16_t raw, defaultRaw;
    };
    struct Flag {
        std::string name;
        uint16_t value = 0;
        double activeUntilMs = 0; // bit 15 reports an action still running
    };

    SimFirmware(int protocol, int index, int inputReportLength, const Clock& clock, uint32_t seed);

    // The body of a text reply, after "@" + tag + ";", ending with ";" and LF.
    std::string textReply(const std::string& command);
    // The data of a binary reply, after "@" and the sequence byte.
    std::vector<uint8_t> binaryReply(const std::string& command);

    int protocol() const { return protocol_; }
    // The serial number its identity reports ("": none).
    void setSerial(std::string serial) { serial_ = std::move(serial); }
    const std::vector<Knob>& knobs() const { return knobs_; }
    const std::vector<Flag>& flags() const { return flags_; }
    const std::vector<std::vector<uint16_t>>& recordings() const { return recordings_; }
    // What the flash holds (for measurements with recordings of a given size).
    void setRecordings(std::vector<std::vector<uint16_t>> recordings) { recordings_ = std::move(recordings); }
    bool recording() const { return recording_; }
    // "LBSIZE?" claims this many values more than the selection holds.
    void claimExtraValues(int n) { extraClaimed_ = n; }
    // The five raw channel values the stick would report now.
    std::vector<uint32_t> currentRaw();

private:
    std::string identity() const;
    std::string channelList() const;
    std::string knobList() const;
    std::string flagNames() const;
    std::string flagValues();
    std::string setKnob(const std::string& assignment);
    std::string setFlag(const std::string& assignment);
    std::string selectRecord(const std::string& arg);
    uint16_t flagValue(Flag& f) const;
    std::vector<uint16_t> selection() const;
    std::vector<uint8_t> nextBlock();
    void reset();

    int protocol_;
    int index_;
    std::string serial_;
    int valuesPerBlock_;
    const Clock& clock_;
    double startMs_;
    std::mt19937 rng_;
    std::vector<Knob> knobs_;
    std::vector<Flag> flags_;
    std::vector<std::vector<uint16_t>> recordings_;
    bool recording_ = true;
    int readMode_ = 0; // 0 latest recording, 1 everything, k + 2 recording k
    int averaging_ = 0;
    size_t cursor_ = 0;
    int extraClaimed_ = 0;
    std::vector<uint8_t> lastBlock_;
};

} // namespace vs
