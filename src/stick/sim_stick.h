#pragma once
#include "stick/sim_firmware.h"
#include "stick/transport.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace vs {

// A simulated stick as the program sees it over USB: it takes output reports,
// answers framed text commands ("@" + tag + command + LF) and binary commands
// ("@" + sequence byte + command + LF) with input reports exactly as a real
// stick frames them, and enters firmware-upgrade mode on the feature report.
// Faults can be injected for tests.
class SimulatedStick final : public Transport {
public:
    SimulatedStick(int protocol, int inputReportLength, int index, const Clock& clock, uint32_t seed = 1);

    int inputReportLength() const { return inputLength_; }
    int outputReportLength() const { return outputLength_; }
    int featureReportLength() const { return featureLength_; }
    void setFeatureReportLength(int length) { featureLength_ = length; }
    SimFirmware& firmware() { return firmware_; }

    bool writeReport(const uint8_t* report, size_t length) override;
    int readReport(uint8_t* buffer, size_t length, std::string& error) override;
    // Discards the reports that have arrived; those still on their way come later.
    void flushInput() override;
    bool sendFeatureReport(const uint8_t* report, size_t length, std::string& error) override;
    void close() override { closed_ = true; }
    bool gone() override { return unplugged_; }
    // A new handle to the same stick (after a close, as when the table is rebuilt).
    void reopen()
    {
        closed_ = false;
        queue_.clear();
    }

    // Fault injection.
    void dropReports(int count) { dropReports_ += count; }
    // Loses every n-th input report of its binary replies (values and flash
    // blocks; 0: none), as a poor link would.
    void loseEvery(int n) { loseEvery_ = n; }
    void answerNextWithStaleTag() { staleNext_ = true; }
    void corruptNextReply(std::function<void(std::string& rawReply)> change) { corrupt_ = std::move(change); }
    void failWrites(int count) { failWrites_ += count; }
    void unplug() { unplugged_ = true; }
    // The stick is pulled out when it is asked for values the n-th time
    // (that ask gets no answer; 0: never), as a user pulling it would.
    void leaveAtValueAsk(int n) { leaveAt_ = n; }
    // The stick sends each report of a reply this long after the one before
    // (the first this long after the command).
    void setReportIntervalMs(double ms) { reportIntervalMs_ = ms; }
    // The next reply (only that one) arrives this much later than it would.
    void delayNextReply(double ms) { delayNext_ = ms; }

    bool unplugged() const { return unplugged_; }
    bool inFirmwareUpgrade() const { return inDfu_; }
    size_t queuedReports() const { return queue_.size(); }
    // Every command received, text and binary, in order.
    const std::vector<std::string>& commands() const { return commands_; }
    // Told of each command before it is answered, as "txt " + tag + " " +
    // command or "bin " + sequence + " " + command.
    void onCommand(std::function<void(const std::string& line)> told) { told_ = std::move(told); }

private:
    void takeTextByte(uint8_t b);
    void answerText(const std::string& tag, const std::string& command);
    void answerBinary(uint8_t sequence, const std::string& command);
    bool leavesAt(const std::string& command);
    void queueReply(const std::string& raw, bool binary);

    enum class Parse { Idle, Tag, Command };

    SimFirmware firmware_;
    int inputLength_;
    int outputLength_;
    int featureLength_ = 9;
    struct Queued {
        std::vector<uint8_t> report;
        double readyAtMs;
    };
    std::deque<Queued> queue_;
    const Clock& clock_;
    double reportIntervalMs_ = 0;
    double delayNext_ = 0;
    Parse parse_ = Parse::Idle;
    std::string tag_;
    std::string command_;
    int pendingRaw_ = 0;
    std::string lastReply_;
    std::vector<std::string> commands_;
    std::function<void(const std::string&)> told_;
    int dropReports_ = 0;
    int loseEvery_ = 0;
    int leaveAt_ = 0, valueAsks_ = 0;
    long sentReports_ = 0;
    bool staleNext_ = false;
    std::function<void(std::string&)> corrupt_;
    int failWrites_ = 0;
    bool unplugged_ = false;
    bool inDfu_ = false;
    bool closed_ = false;
};

} // namespace vs
