#pragma once
// A transport for tests: records every report written and plays back scripted
// input reports; a scripted gap is a failed read.
#include "stick/report_io.h"
#include "stick/stick_link.h"
#include "stick/transport.h"

#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vstest {

using Report = std::vector<uint8_t>;

class ScriptTransport final : public vs::Transport {
public:
    explicit ScriptTransport(int inputLength) : inputLength_(inputLength) {}

    std::vector<Report> written;
    std::deque<std::optional<Report>> script; // nullopt: this read fails
    std::function<void(ScriptTransport&, const Report&)> onWrite;
    // When set, every read is answered by it instead of the script.
    std::function<int(uint8_t* buffer, size_t length, std::string& error)> onRead;
    int failWrites = 0;
    int flushes = 0;
    std::vector<Report> features;

    bool writeReport(const uint8_t* report, size_t length) override
    {
        if (failWrites > 0) {
            --failWrites;
            return false;
        }
        written.emplace_back(report, report + length);
        if (onWrite)
            onWrite(*this, written.back());
        return true;
    }
    int readReport(uint8_t* buffer, size_t length, std::string& error) override
    {
        if (onRead)
            return onRead(buffer, length, error);
        if (script.empty() || !script.front()) {
            if (!script.empty())
                script.pop_front();
            error = "Resource temporarily unavailable";
            return 0;
        }
        const Report r = *script.front();
        script.pop_front();
        const size_t n = std::min(length, r.size());
        std::memcpy(buffer, r.data(), n);
        return static_cast<int>(n);
    }
    void flushInput() override
    {
        ++flushes;
        script.clear();
    }
    int failFeatures = 0;
    bool sendFeatureReport(const uint8_t* report, size_t length, std::string& error) override
    {
        if (failFeatures > 0) {
            --failFeatures;
            error = "Broken pipe";
            return false;
        }
        features.emplace_back(report, report + length);
        return true;
    }
    void close() override {}

    // Queues raw reply bytes cut into input reports (report ID 0, zero padding).
    void queueRaw(const std::string& raw)
    {
        const size_t payload = static_cast<size_t>(inputLength_ - 1);
        for (size_t at = 0; at < raw.size(); at += payload) {
            Report r(static_cast<size_t>(inputLength_), 0);
            const size_t n = std::min(payload, raw.size() - at);
            std::memcpy(r.data() + 1, raw.data() + at, n);
            script.push_back(r);
        }
    }

    // The payload bytes of every written report, concatenated.
    std::string writtenText() const
    {
        std::string s;
        for (const Report& r : written)
            s.append(r.begin() + 1, r.end());
        return s;
    }

private:
    int inputLength_;
};

// A test stick link whose waits advance a manual clock at once.
struct TestLink {
    vs::ManualClock clock;
    vs::StickLink link{clock, [this](int ms) { clock.advanceMs(ms); }};
    std::vector<std::string> debug;

    TestLink()
    {
        link.setDebugSink([this](const std::string& line) { debug.push_back(line); });
    }

    // Opens a USB slot over a script transport with the given report lengths.
    std::shared_ptr<ScriptTransport> addScripted(int inputLength = 9, int outputLength = 9, int protocol = 1)
    {
        auto t = std::make_shared<ScriptTransport>(inputLength);
        const int slot = link.Nymstick_AddSlot("script:" + std::to_string(link.SlotsReserved));
        vs::Nymstick_AttachDevice(link, slot, t, inputLength, outputLength, 9);
        link.slot(slot)->ProtocolVersion = static_cast<int16_t>(protocol);
        return t;
    }
};

} // namespace vstest
