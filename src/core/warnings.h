#pragma once
#include <QObject>
#include <QString>
#include <QTimer>

#include <string>

namespace vs {

class StickLink;
class Settings;
class TraceLog;
class Clock;
class Face;
struct PlotRecord;

// Compares every plotted channel's latest value with its warning levels after
// each sample and turns the worst level into markers, tooltip, balloon,
// beeps, wave file and air state; and notes active stick flags on the plot.
class Warnings : public QObject {
    Q_OBJECT
public:
    Warnings(StickLink& link, PlotRecord& plot, const Settings& settings, const TraceLog& trace, const Clock& clock,
             Face& face, QObject* parent = nullptr);

    bool engineeringMode = false;
    std::string currentStep;

    void Warnings_Timer_Update();
    void AddWarning();
    void CleanWarnings();
    void Timer_Warning(int level);
    void Timer_warn_Timer();
    void ActOnFlags();

    int shownLevel() const { return shownLevel_; }
    int beepsLeft() const { return beepsLeft_; }
    QTimer& beepTimer() { return Timer_warn; }
    // The slot holding the sample set the warnings look at.
    int newestSlot() const;

private:

    StickLink& link_;
    PlotRecord& plot_;
    const Settings& settings_;
    const TraceLog& trace_;
    const Clock& clock_;
    Face& face_;
    QTimer Timer_warn;
    int shownLevel_ = 0;
    int beepLevel_ = 0;
    int beepsLeft_ = 0;
    double lastBeepTime_ = 0;
    double flagNoteTime_ = 0;
    bool flagNoteSkip_ = false;
};

} // namespace vs
