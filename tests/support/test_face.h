#pragma once
// A face for tests: everything the core shows is recorded, its questions
// are answered from a script.
#include "core/face.h"

#include <QStringList>

#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace vstest {

struct TestFace : vs::Face {
    QString text; // the status text shown now (a form feed clears it)
    QString all;  // every status text ever printed
    std::vector<std::pair<QString, long>> notes;
    int hold = 0;
    QString tip;
    QStringList balloons;
    int balloonsOpen = 0, balloonsHidden = 0, beeps = 0;
    std::vector<int> airStates, waves;
    int storeResets = 0, samples = 0, reads = 0, stickChanges = 0, roleChanges = 0;
    bool flashMenu = false, logging = false, running = false;
    QString logCaption;
    std::vector<std::string> steps; // the face's steps of start-up and shut-down
    bool offer = true;
    std::deque<bool> endAnswers; // what the user answers after an error (no answer: go on)
    std::vector<std::string> errors;
    int endedWith = -1;

    void print(const QString& t) override
    {
        all += t;
        const qsizetype ff = t.lastIndexOf(QChar(12));
        text = ff >= 0 ? t.mid(ff + 1) : text + t;
    }
    void note(const QString& t, long number, int) override { notes.emplace_back(t, number); }
    bool statusShown() const override { return !text.isEmpty(); }
    int holdCount() const override { return hold; }
    void setHoldCount(int redraws) override { hold = redraws; }
    void setTip(const QString& t) override { tip = t; }
    void balloon(const QString& t, const QString&, int) override
    {
        balloons << t;
        ++balloonsOpen;
    }
    void balloonDone() override { --balloonsOpen; }
    int balloonCount() const override { return balloonsOpen; }
    void balloonHide() override { ++balloonsHidden; }
    void airState(int state) override { airStates.push_back(state); }
    void beep(int, int) override { ++beeps; }
    void playWave(int level) override { waves.push_back(level); }
    void storeReset() override { ++storeResets; }
    void samplesAdded() override { ++samples; }
    void valuesRead() override { ++reads; }
    void sticksChanged() override { ++stickChanges; }
    void showFlashMenu(bool shown) override { flashMenu = shown; }
    void loggingChanged(const QString& caption, bool on) override
    {
        logCaption = caption;
        logging = on;
    }
    void samplingChanged(bool r) override { running = r; }
    void networkRoleChanged() override { ++roleChanges; }
    void showWindow() override { steps.push_back("window"); }
    void showPlot(bool oneShot) override { steps.push_back(oneShot ? "plot for a switch" : "plot"); }
    void showAirState() override { steps.push_back("air state"); }
    bool emulationOffered() const override { return offer; }
    bool endAfterError(const std::string& t) override
    {
        errors.push_back(t);
        if (endAnswers.empty())
            return false;
        const bool end = endAnswers.front();
        endAnswers.pop_front();
        return end;
    }
    void closeWindow() override { steps.push_back("close"); }
    void endProgram(int code) override { endedWith = code; }
};

} // namespace vstest
