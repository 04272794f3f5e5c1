#pragma once
#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QSpinBox;

namespace vs {

class Settings;
class Prompts;

// "Settings - History": whether the history is kept, how long each level
// is kept (every sample, per minute, per hour), where the file is and how
// large, and a backup of it while the program runs. OK stores the section
// and starts the history again from it.
class HistoryDialog : public QDialog {
    Q_OBJECT
public:
    HistoryDialog(Settings& settings, Prompts& prompts, QWidget* parent = nullptr);

    // The window's part: the history starts again from the stored settings.
    std::function<void()> apply;

    // The fields from the settings file, the file's path and size.
    void load();
    // Stores and applies; false (and why, shown) when the settings file cannot be written.
    bool OK_Click();
    // Asks for a file and copies the history there.
    void Backup_Click();
    QLabel* message() const { return message_; }

private:
    Settings& settings_;
    Prompts& prompts_;
    QCheckBox* enabled_;
    QSpinBox *raw_, *rollup_, *hour_;
    QLabel *path_, *size_, *message_;
};

} // namespace vs
