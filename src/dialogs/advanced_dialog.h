#pragma once
#include <QDialog>

#include <functional>

namespace vs {

class StickLink;
class Prompts;
class Settings;

// The two actions that cannot be undone: resetting every stick's sensor
// baseline ("Reset AQL"), and returning sticks and program to their factory
// defaults ("Reset Settings"). Made once and only hidden.
class AdvancedDialog : public QDialog {
    Q_OBJECT
public:
    AdvancedDialog(StickLink& link, Prompts& prompts, Settings& settings, QWidget* parent = nullptr);

    // The window's part: the "/rst" switch run with sampling held, and the exit command.
    std::function<void()> resetSticks;
    std::function<void()> exitProgram;

    void CmdResetBaseLine_Click();
    void cmdResetSettings_Click();
    // Removes every key of the program's settings store.
    void CleanKeys();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    int validSticks() const;

    StickLink& link_;
    Prompts& prompts_;
    Settings& settings_;
};

} // namespace vs
