#pragma once
#include <QString>

namespace vs {

// What the monitor's logic shows: status lines (over the plot in the window,
// on standard output in a service), notes and the plot's store. A form feed
// in a status text clears the lines shown so far.
class StatusFace {
public:
    virtual ~StatusFace() = default;
    virtual void print(const QString& text) = 0;
    virtual void note(const QString& text, long number, int row) = 0;
    // Whether status lines are being shown at the moment.
    virtual bool statusShown() const = 0;
    // How many more redraws the status lines stay over the plot.
    virtual int holdCount() const = 0;
    virtual void setHoldCount(int redraws) = 0;
    // The plot's sample store was emptied (and sized anew).
    virtual void storeReset() = 0;
    // A new sample set went into the plot.
    virtual void samplesAdded() = 0;
};

} // namespace vs
