#pragma once
#include "core/face.h"

namespace vs {

class MainWindow;

// The desktop's face of the core: status lines and notes over the plot,
// warnings in the tray, the speaker and the air state window, the start-up's
// window steps (geometry, menus, tray, fade-in) and the end of the program.
class WindowFace final : public Face {
public:
    explicit WindowFace(MainWindow& window) : w_(window) {}

    // StatusFace
    void print(const QString& text) override;
    void note(const QString& text, long number, int row) override;
    bool statusShown() const override;
    int holdCount() const override;
    void setHoldCount(int redraws) override;
    // AlertFace
    void setTip(const QString& tip) override;
    void balloon(const QString& text, const QString& title, int timeoutMs) override;
    void balloonDone() override;
    int balloonCount() const override;
    void balloonHide() override;
    void airState(int state) override;
    void beep(int frequencyHz, int durationMs) override;
    void playWave(int level) override;
    // ViewFace
    void storeReset() override;
    void samplesAdded() override;
    void valuesRead() override;
    void sticksChanged() override;
    void showFlashMenu(bool shown) override;
    void loggingChanged(const QString& caption, bool on) override;
    void samplingChanged(bool running) override;
    void networkRoleChanged() override;
    // ProgramFace
    void showWindow() override;
    void showPlot(bool oneShot) override;
    void showAirState() override;
    bool emulationOffered() const override { return true; }
    bool endAfterError(const std::string& text) override;
    void closeWindow() override;
    void endProgram(int code) override;

private:
    MainWindow& w_;
};

} // namespace vs
