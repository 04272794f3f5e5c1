#pragma once
// What the two history benches share: the median, and a view of the
// history timed from the query to the drawn picture.
#include "history/history_reader.h"
#include "window/history_plot.h"

#include <QElapsedTimer>
#include <QImage>

#include <algorithm>
#include <vector>

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct TimedView {
    std::vector<double> ms; // one per run
    vs::Level coarsest = vs::Level::Raw;
    bool fromRollups = false;
};

// `runs` times: the columns of [from, to] at 1920 columns, drawn into `picture`.
inline TimedView timeView(vs::SqlDatabase& db, const std::vector<vs::SeriesInfo>& series,
                          const std::vector<vs::HistoryCurve>& curves, vs::HistoryPlot& plot, QImage& picture,
                          int64_t from, int64_t to, int runs)
{
    TimedView out;
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        timer.start();
        vs::HistoryColumns c = vs::readColumns(db, series, from, to, 1920);
        out.fromRollups = c.fromRollups;
        out.coarsest = c.coarsest;
        plot.setRange(from, to);
        plot.setData(std::move(c), curves);
        plot.render(&picture);
        out.ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    return out;
}
