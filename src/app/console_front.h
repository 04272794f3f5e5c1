#pragma once
#include <iosfwd>

namespace vs {

class StickLink;
class TraceLog;

// The console front end: configures every open slot, prints each stick's
// description, then `samples` rounds of readings one read interval apart.
int runConsoleFront(StickLink& link, const TraceLog& trace, int samples, int intervalMs, std::ostream& out);

} // namespace vs
