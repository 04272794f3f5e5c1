#pragma once
// What a running copy's history holds, read back once everything handed to
// its writer is written.
#include "history/history_reader.h"
#include "history/history_writer.h"

#include <functional>
#include <limits>

namespace vstest {

inline void forEachStored(vs::HistoryWriter* writer,
                          const std::function<void(const vs::SeriesInfo&, int64_t, const std::vector<double>&)>& fn)
{
    if (!writer)
        return;
    writer->flush();
    vs::SqlDatabase db;
    db.open(writer->settings().path, true);
    for (const vs::SeriesInfo& s : vs::listSeries(db))
        vs::forEachSample(db, s, 0, std::numeric_limits<int64_t>::max() / 2,
                          [&](int64_t t, const std::vector<double>& v) { fn(s, t, v); });
}

} // namespace vstest
