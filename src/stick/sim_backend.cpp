#include "stick/sim_backend.h"

#include "stick/sim_stick.h"

namespace vs {

namespace {

class SimDevice final : public HidDevice {
public:
    SimDevice(std::shared_ptr<SimulatedStick> stick, uint16_t productId) : stick_(std::move(stick)), productId_(productId) {}
    std::optional<HidAttributes> attributes() override
    {
        return HidAttributes{0x03EB, productId_, 0x0100, "Ventiscope", "Simulated air-quality stick"};
    }
    HidCaps caps() override
    {
        HidCaps c;
        c.InputReportByteLength = stick_->inputReportLength();
        c.OutputReportByteLength = stick_->outputReportLength();
        c.FeatureReportByteLength = stick_->featureReportLength();
        c.UsagePage = 0xFF00;
        c.Usage = 1;
        c.NumberLinkCollectionNodes = 1;
        return c;
    }
    std::shared_ptr<Transport> takeTransport() override { return stick_; }

private:
    std::shared_ptr<SimulatedStick> stick_;
    uint16_t productId_;
};

} // namespace

std::shared_ptr<SimulatedStick> SimulatedBackend::plug(const SimSpec& spec, uint16_t productId)
{
    const int index = next_++;
    const std::string path = "sim:" + std::to_string(index);
    auto stick = simulatedStick(spec, index, clock_);
    entries_[path] = Entry{spec, productId, index, stick, true};
    return stick;
}

void SimulatedBackend::unplug(const std::string& path)
{
    if (auto it = entries_.find(path); it != entries_.end()) {
        it->second.present = false;
        it->second.stick->unplug();
    }
}

void SimulatedBackend::replug(const std::string& path)
{
    if (auto it = entries_.find(path); it != entries_.end()) {
        Entry& e = it->second;
        e.stick = simulatedStick(e.spec, e.index, clock_);
        e.present = true;
    }
}

std::string SimulatedBackend::reenumerate(const std::string& path)
{
    const auto it = entries_.find(path);
    if (it == entries_.end())
        return {};
    unplug(path);
    Entry e = it->second;
    const std::string fresh = "sim:" + std::to_string(next_++);
    e.stick = simulatedStick(e.spec, e.index, clock_);
    e.present = true;
    entries_[fresh] = std::move(e);
    return fresh;
}

std::shared_ptr<SimulatedStick> SimulatedBackend::stick(const std::string& path) const
{
    const auto it = entries_.find(path);
    return it == entries_.end() ? nullptr : it->second.stick;
}

std::vector<std::string> SimulatedBackend::enumerate()
{
    std::vector<std::string> paths;
    for (auto& [path, e] : entries_) {
        if (e.present && e.stick->unplugged())
            e.present = false; // gone into firmware-upgrade mode
        if (e.present)
            paths.push_back(path);
    }
    return paths;
}

std::unique_ptr<HidDevice> SimulatedBackend::open(const std::string& path, OpenFailure& failure, std::string& reason)
{
    failure = OpenFailure::None;
    const auto it = entries_.find(path);
    if (it == entries_.end() || !it->second.present) {
        failure = OpenFailure::InUse;
        reason = "No such device";
        return nullptr;
    }
    if (denied_.count(path)) {
        failure = OpenFailure::Permission;
        reason = "Permission denied";
        return nullptr;
    }
    if (const auto held = heldBy_.find(path); held != heldBy_.end()) {
        failure = OpenFailure::InUse;
        reason = "in use by another program: " + held->second;
        return nullptr;
    }
    it->second.stick->reopen();
    return std::make_unique<SimDevice>(it->second.stick, it->second.productId);
}

} // namespace vs
