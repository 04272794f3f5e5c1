#pragma once
#include "common/clock.h"
#include "stick/hid_backend.h"
#include "stick/simulate_env.h"

#include <map>
#include <memory>
#include <set>
#include <string>

namespace vs {

class SimulatedStick;

// A bus of simulated sticks for the scan: sticks can be plugged, unplugged and
// plugged back in; a stick that entered firmware-upgrade mode leaves the bus.
class SimulatedBackend final : public HidBackend {
public:
    explicit SimulatedBackend(const Clock& clock) : clock_(clock) {}

    // Plugs in a new simulated stick ("sim:0", "sim:1", ...) and returns it.
    std::shared_ptr<SimulatedStick> plug(const SimSpec& spec, uint16_t productId = 0x2013);
    void unplug(const std::string& path);
    // The same stick (a fresh device handle) back at its old path.
    void replug(const std::string& path);
    // The stick leaves and comes back at once under a new path (a new
    // hidraw node), the same stick with the same serial number; returns the path.
    std::string reenumerate(const std::string& path);
    // The device stays listed but may not be opened by this user.
    void denyAccess(const std::string& path) { denied_.insert(path); }
    void allowAccess(const std::string& path) { denied_.erase(path); }
    // Another program holds the stick (its exclusive lock) until released.
    void holdElsewhere(const std::string& path, const std::string& holder) { heldBy_[path] = holder; }
    void release(const std::string& path) { heldBy_.erase(path); }
    std::shared_ptr<SimulatedStick> stick(const std::string& path) const;

    std::vector<std::string> enumerate() override;
    std::unique_ptr<HidDevice> open(const std::string& path, OpenFailure& failure, std::string& reason) override;

private:
    struct Entry {
        SimSpec spec;
        uint16_t productId;
        int index;
        std::shared_ptr<SimulatedStick> stick;
        bool present = true;
    };
    const Clock& clock_;
    std::map<std::string, Entry> entries_;
    std::set<std::string> denied_;
    std::map<std::string, std::string> heldBy_;
    int next_ = 0;
};

} // namespace vs
