#pragma once
#include "common/clock.h"
#include "history/history_store.h"

#include <vector>

namespace vs {

class StickLink;

// What a sampling pass adds to the history: every stick this copy read
// itself, without error, under its own identity. Network sticks are another
// copy's, which keeps their history.
std::vector<HistorySample> passSamples(const StickLink& link, int64_t timeMs);

// One downloaded flash value of a stick: its channel 0 (the one the recorder
// keeps), the others without a value.
HistorySample flashSample(const StickLink& link, int stick, int64_t timeMs);

} // namespace vs
