#include "stick/sim_stick.h"

#include <algorithm>
#include <cstring>

namespace vs {

namespace {

constexpr size_t kMaxCommand = 4096;

bool isHex(uint8_t b)
{
    return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'F');
}

} // namespace

SimulatedStick::SimulatedStick(int protocol, int inputReportLength, int index, const Clock& clock, uint32_t seed)
    : firmware_(protocol, index, inputReportLength, clock, seed),
      inputLength_(inputReportLength),
      outputLength_(inputReportLength),
      clock_(clock)
{
}

bool SimulatedStick::writeReport(const uint8_t* report, size_t length)
{
    if (unplugged_ || closed_)
        return false;
    if (failWrites_ > 0) {
        --failWrites_;
        return false;
    }
    if (length < 2)
        return true;
    // A binary command fills one report: "@", a sequence byte 103..254, the command, LF.
    if (parse_ == Parse::Idle && length >= 4 && report[1] == '@' && report[2] >= 103 && report[2] <= 254) {
        std::string command;
        for (size_t i = 3; i < length && report[i] != 0x0A; ++i)
            command += static_cast<char>(report[i]);
        answerBinary(report[2], command);
        return true;
    }
    for (size_t i = 1; i < length; ++i)
        takeTextByte(report[i]);
    return true;
}

void SimulatedStick::takeTextByte(uint8_t b)
{
    switch (parse_) {
    case Parse::Idle:
        if (isHex(b)) {
            tag_.assign(1, static_cast<char>(b));
            parse_ = Parse::Tag;
        }
        return; // "@" padding and resynchronisation
    case Parse::Tag:
        if (!isHex(b)) {
            parse_ = Parse::Idle;
            return;
        }
        tag_ += static_cast<char>(b);
        if (tag_.size() == 4) {
            command_.clear();
            pendingRaw_ = 0;
            parse_ = Parse::Command;
        }
        return;
    case Parse::Command:
        if (pendingRaw_ > 0) {
            --pendingRaw_; // a binary number's byte may be anything, LF included
        } else if (b == 0x0A) {
            parse_ = Parse::Idle;
            answerText(tag_, command_);
            return;
        } else if ((b & 0xEF) >= 1 && (b & 0xEF) <= 4) {
            pendingRaw_ = 1 << ((b & 0x0F) - 1);
        }
        command_ += static_cast<char>(b);
        if (command_.size() > kMaxCommand)
            parse_ = Parse::Idle;
        return;
    }
}

bool SimulatedStick::leavesAt(const std::string& command)
{
    if (command != "*TRG" && command != "*TR" && command != "TRF?")
        return false;
    if (leaveAt_ > 0 && ++valueAsks_ >= leaveAt_)
        unplugged_ = true;
    return unplugged_;
}

void SimulatedStick::answerText(const std::string& tag, const std::string& command)
{
    commands_.push_back(command);
    if (told_)
        told_("txt " + tag + " " + command);
    if (leavesAt(command))
        return;
    std::string reply = "@" + tag + ";" + firmware_.textReply(command);
    if (corrupt_) {
        auto change = std::move(corrupt_);
        corrupt_ = nullptr;
        change(reply);
    }
    if (staleNext_ && !lastReply_.empty()) {
        staleNext_ = false;
        queueReply(lastReply_, false); // a late answer to the previous command
    }
    lastReply_ = reply;
    queueReply(reply, false);
}

void SimulatedStick::answerBinary(uint8_t sequence, const std::string& command)
{
    commands_.push_back(command);
    if (told_)
        told_("bin " + std::to_string(sequence) + " " + command);
    if (leavesAt(command))
        return;
    const std::vector<uint8_t> data = firmware_.binaryReply(command);
    std::string reply = "@";
    reply += static_cast<char>(sequence);
    reply.append(data.begin(), data.end());
    if (corrupt_) {
        auto change = std::move(corrupt_);
        corrupt_ = nullptr;
        change(reply);
    }
    queueReply(reply, true);
}

void SimulatedStick::queueReply(const std::string& raw, bool binary)
{
    const size_t payload = static_cast<size_t>(std::max(1, inputLength_ - 1));
    // Each report comes its interval after the one before (the first after
    // the command), and none overtakes one queued earlier: a late reply
    // holds up those behind it.
    double readyAt = clock_.elapsedMs() + delayNext_;
    delayNext_ = 0;
    for (size_t at = 0; at < raw.size(); at += payload) {
        readyAt = std::max(readyAt + reportIntervalMs_, queue_.empty() ? 0.0 : queue_.back().readyAtMs);
        std::vector<uint8_t> report(static_cast<size_t>(inputLength_), 0);
        const size_t n = std::min(payload, raw.size() - at);
        std::memcpy(report.data() + 1, raw.data() + at, n);
        if (dropReports_ > 0) {
            --dropReports_;
            continue;
        }
        if (binary && loseEvery_ > 0 && ++sentReports_ % loseEvery_ == 0)
            continue;
        queue_.push_back(Queued{std::move(report), readyAt});
    }
}

int SimulatedStick::readReport(uint8_t* buffer, size_t length, std::string& error)
{
    if (unplugged_ || closed_) {
        error = "No such device";
        return 0;
    }
    if (queue_.empty() || queue_.front().readyAtMs > clock_.elapsedMs()) {
        error = "Resource temporarily unavailable";
        return 0;
    }
    const std::vector<uint8_t> report = std::move(queue_.front().report);
    queue_.pop_front();
    const size_t n = std::min(length, report.size());
    std::memcpy(buffer, report.data(), n);
    return static_cast<int>(n);
}

void SimulatedStick::flushInput()
{
    const double now = clock_.elapsedMs();
    while (!queue_.empty() && queue_.front().readyAtMs <= now)
        queue_.pop_front();
}

bool SimulatedStick::sendFeatureReport(const uint8_t* report, size_t length, std::string& error)
{
    if (unplugged_ || closed_) {
        error = "No such device";
        return false;
    }
    if (length >= 5 && report[1] == 0x55 && report[2] == 0xAA && report[3] == 0x55 && report[4] == 0xAA) {
        // The stick leaves the bus and comes back as a firmware-upgrade device.
        inDfu_ = true;
        unplugged_ = true;
    }
    return true;
}

} // namespace vs
