#pragma once
#include <QString>

#include <string>

namespace vs {

// What the core needs from a face: the window, the console of the service,
// a test's face. The core runs every sequence (start-up, device changes,
// passes, commands, shut-down); a face only shows what happens and asks
// what the core asks. Every method is pure virtual, so a new face cannot
// forget one. The questions a face asks through dialogs go to the Prompts
// the face hands over with the Services.

// Status lines (over the plot in the window, on standard output in a
// service) and notes on the plot. A form feed in a status text clears the
// lines shown so far.
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
};

// What the warnings drive.
class AlertFace {
public:
    virtual ~AlertFace() = default;
    // Every shown channel's value, one per line ("-" for one without a value).
    virtual void setTip(const QString& tip) = 0;
    virtual void balloon(const QString& text, const QString& title, int timeoutMs) = 0;
    virtual void balloonDone() = 0;
    virtual int balloonCount() const = 0;
    // The level that raised the balloon no longer holds: it goes away.
    virtual void balloonHide() = 0;
    // 0 no data, 1 good, 2 getting bad, 3 bad.
    virtual void airState(int state) = 0;
    virtual void beep(int frequencyHz, int durationMs) = 0;
    virtual void playWave(int level) = 0; // "warning_" + level + ".wav"
};

// What shows the sticks and their samples.
class ViewFace {
public:
    virtual ~ViewFace() = default;
    // The plot's sample store was emptied (and sized anew).
    virtual void storeReset() = 0;
    // A new sample set went into the plot.
    virtual void samplesAdded() = 0;
    // A pass read the sticks: windows that list current values refresh them.
    virtual void valuesRead() = 0;
    // The set of sticks or their curves changed (after a device change).
    virtual void sticksChanged() = 0;
    // Whether the flash download is offered (a stick records to its flash).
    virtual void showFlashMenu(bool shown) = 0;
    // The value log went on or off: the menu's caption and check mark.
    virtual void loggingChanged(const QString& caption, bool on) = 0;
    // Sampling was paused or started.
    virtual void samplingChanged(bool running) = 0;
    // The network link fell back to the other role.
    virtual void networkRoleChanged() = 0;
};

// The program's life as the face sees it.
class ProgramFace {
public:
    virtual ~ProgramFace() = default;
    // The start-up's steps of the face, in the described order: the window
    // with its geometry, caption and menus (before the sticks are found);
    // the plot and its text box, tray and fade-in (after they are found;
    // `oneShot` when a command-line switch is to act); the air state window
    // (once sampling runs).
    virtual void showWindow() = 0;
    virtual void showPlot(bool oneShot) = 0;
    virtual void showAirState() = 0;
    // Whether the user may be offered two emulated sticks when none is
    // present (a service waits for a real one instead).
    virtual bool emulationOffered() const = 0;
    // An error the user should see before the program goes on; true when
    // the user chose to end the program.
    virtual bool endAfterError(const std::string& text) = 0;
    // The shut-down's step of the face: the window stores its geometry and
    // removes its tray icon.
    virtual void closeWindow() = 0;
    // The core has shut down: the face ends the program with this exit code.
    virtual void endProgram(int code) = 0;
};

class Face : public StatusFace, public AlertFace, public ViewFace, public ProgramFace {};

} // namespace vs
