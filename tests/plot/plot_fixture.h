#pragma once
// Stick tables and plots built in the test.
#include "plot/plot_feed.h"
#include "plot/plot_model.h"
#include "stick/stick_link.h"

#include <string>
#include <vector>

namespace vstest {

struct PlotFixture {
    vs::ManualClock clock;
    vs::StickLink link{clock, [this](int ms) { clock.advanceMs(ms); }};
    vs::PlotRecord plot;
    vs::PlotSettings settings;

    // Adds an open stick slot with the given channel labels.
    int addStick(const std::vector<std::string>& labels, const std::string& unit = "ppm")
    {
        const int s = link.Nymstick_AddEmulated();
        vs::StickRecord& r = *link.slot(s);
        for (size_t j = 0; j < labels.size(); ++j) {
            vs::ChannelRecord c;
            c.ChID = std::to_string(j);
            c.Ylabel = labels[j];
            c.Yunit = unit;
            c.Factor = 1;
            c.HasValue = true;
            r.Channels.push_back(c);
        }
        r.nChannels = static_cast<int16_t>(labels.size());
        return s;
    }
    void setValues(int stick, const std::vector<double>& values)
    {
        for (size_t j = 0; j < values.size(); ++j)
            link.slot(stick)->Channels[j].LastValue = values[j];
    }
    void build(int recordLength = 100)
    {
        vs::plot_Init(plot);
        vs::plot_SetupChannels(plot, link);
        plot.RecordLength = recordLength;
        vs::plot_SetupStore(plot);
    }
};

} // namespace vstest
