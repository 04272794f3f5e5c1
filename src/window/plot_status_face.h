#pragma once
#include "core/status_face.h"

#include <functional>

namespace vs {

class PlotView;

// The window's status face: status lines and notes over the plot, and the
// plot redrawn when its samples or its store change.
class PlotStatusFace final : public StatusFace {
public:
    explicit PlotStatusFace(PlotView& view) : view_(view) {}

    // New samples are drawn only while the plot is wide enough to be read.
    std::function<bool()> wideEnough;

    void print(const QString& text) override;
    void note(const QString& text, long number, int row) override;
    bool statusShown() const override;
    int holdCount() const override;
    void setHoldCount(int redraws) override;
    void storeReset() override;
    void samplesAdded() override;

private:
    PlotView& view_;
};

} // namespace vs
