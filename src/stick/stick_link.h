#pragma once
#include "common/clock.h"
#include "common/wait.h"
#include "stick/records.h"

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace vs {

// The stick link's state: the table of slots, the counts, the last error, the
// trace level and buffer, the exchange state and the tag and sequence counters.
// The program creates one; tests create their own.
class StickLink {
public:
    using BeepFn = std::function<void(int frequencyHz, int durationMs)>;
    using DebugSink = std::function<void(const std::string& line)>;

    StickLink(const Clock& clock, WaitFn wait);

    std::vector<StickRecord> StickTable;
    int16_t SlotsReserved = 0;
    int16_t SticksConnected = 0;
    std::string StickErrorText;
    int16_t TraceLevel = 0;
    std::string TraceBuffer;
    ExchangeState Exchange;
    int32_t TagCounter = 0;
    std::string CurrentTag;
    uint8_t SequenceByte = 0;

    const Clock& clock() const { return clock_; }
    void wait(int ms) const { wait_(ms); }
    void beep(int frequencyHz, int durationMs) const
    {
        if (beep_)
            beep_(frequencyHz, durationMs);
    }
    void setBeep(BeepFn beep) { beep_ = std::move(beep); }
    void setWait(WaitFn wait) { wait_ = std::move(wait); }
    const WaitFn& waitFunction() const { return wait_; }
    // Debug lines go to standard error unless redirected.
    void setDebugSink(DebugSink sink) { debugSink_ = std::move(sink); }
    // A number in [0, 1) for the emulator's random values.
    double random();
    void seedRandom(uint32_t seed) { rng_.seed(seed); }

    bool isSlot(int stick) const { return stick >= 0 && stick < static_cast<int>(StickTable.size()); }
    // The slot's record, or nullptr for an index outside the table. Never keep
    // it across a wait: the table may change while the window runs.
    StickRecord* slot(int stick) { return isSlot(stick) ? &StickTable[static_cast<size_t>(stick)] : nullptr; }
    const StickRecord* slot(int stick) const
    {
        return isSlot(stick) ? &StickTable[static_cast<size_t>(stick)] : nullptr;
    }

    bool Nymstick_isOpen(int stick) const;
    int16_t Nymstick_CountConnected();
    int16_t Nymstick_FindSlot(const std::string& path) const;
    // The slot of the path; a new one (or one left empty by moveSlot) for a new path.
    int16_t Nymstick_AddSlot(const std::string& path);
    int16_t Nymstick_AddEmulated();
    // Moves a stick into another slot (a returning stick into its old one);
    // the slot it leaves is empty and taken by the next new path.
    void moveSlot(int from, int to);
    // Starts the tag counter and the sequence byte at random values, so that
    // replies to another program that writes to the same stick are not
    // taken for ours.
    void randomiseCounters();
    void DebugOut(const std::string& text, int level) const;
    // Removes every slot (resume from standby).
    void clearTable();

private:
    const Clock& clock_;
    WaitFn wait_;
    BeepFn beep_;
    DebugSink debugSink_;
    std::mt19937 rng_{std::random_device{}()};
};

} // namespace vs
