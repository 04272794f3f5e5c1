#include "stick/stick_link.h"
#include "stick/transport.h"

#include <iostream>

namespace vs {

StickLink::StickLink(const Clock& clock, WaitFn wait) : clock_(clock), wait_(std::move(wait)) {}

double StickLink::random()
{
    return std::uniform_real_distribution<double>(0.0, 1.0)(rng_);
}

bool StickLink::Nymstick_isOpen(int stick) const
{
    const StickRecord* s = slot(stick);
    return s && s->HIDHandle != 0 && s->ReadHandle != 0;
}

int16_t StickLink::Nymstick_CountConnected()
{
    int16_t count = 0;
    for (int i = 0; i < SlotsReserved; ++i)
        count += Nymstick_isOpen(i) ? 1 : 0;
    SticksConnected = count;
    return count;
}

int16_t StickLink::Nymstick_FindSlot(const std::string& path) const
{
    for (int i = 0; i < SlotsReserved && i < static_cast<int>(StickTable.size()); ++i)
        if (StickTable[static_cast<size_t>(i)].DevicePath == path)
            return static_cast<int16_t>(i);
    return -1;
}

int16_t StickLink::Nymstick_AddSlot(const std::string& path)
{
    const int16_t found = Nymstick_FindSlot(path);
    if (found >= 0)
        return found;
    for (int i = 0; i < SlotsReserved && i < static_cast<int>(StickTable.size()); ++i)
        if (StickTable[static_cast<size_t>(i)].DevicePath.empty() && !Nymstick_isOpen(i)) {
            StickTable[static_cast<size_t>(i)] = StickRecord{};
            StickTable[static_cast<size_t>(i)].DevicePath = path;
            return static_cast<int16_t>(i);
        }
    const int16_t index = SlotsReserved;
    StickTable.resize(static_cast<size_t>(index) + 1);
    StickTable[static_cast<size_t>(index)] = StickRecord{};
    StickTable[static_cast<size_t>(index)].DevicePath = path;
    ++SlotsReserved;
    return index;
}

int16_t StickLink::Nymstick_AddEmulated()
{
    const int16_t index = Nymstick_AddSlot("@@@@@@@");
    StickRecord& s = StickTable[static_cast<size_t>(index)];
    s.mcu = "EMU";
    s.Interface = "EMU";
    s.DevicePath = std::to_string(index);
    s.InputReportLength = 0;
    s.OutputReportLength = 0;
    s.FeatureReportLength = 0;
    s.HIDHandle = 1;
    s.ReadHandle = 1;
    return index;
}

void StickLink::moveSlot(int from, int to)
{
    if (!isSlot(from) || !isSlot(to) || from == to)
        return;
    StickTable[static_cast<size_t>(to)] = std::move(StickTable[static_cast<size_t>(from)]);
    StickTable[static_cast<size_t>(from)] = StickRecord{};
}

void StickLink::randomiseCounters()
{
    TagCounter = static_cast<int32_t>(rng_() % 65536);
    SequenceByte = static_cast<uint8_t>(103 + rng_() % 152);
}

void StickLink::DebugOut(const std::string& text, int level) const
{
    if (TraceLevel < level)
        return;
    if (debugSink_)
        debugSink_(text);
    else
        std::cerr << text << '\n';
}

void StickLink::clearTable()
{
    for (StickRecord& s : StickTable)
        if (s.Device)
            s.Device->close();
    StickTable.clear();
    SlotsReserved = 0;
}

} // namespace vs
