#pragma once
#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace vs {

class StickLink;
class Prompts;
class Settings;

// "Settings - Alerts": whether and how the program warns, the two warning
// messages, and the stick's two warning thresholds (knobs of the stick, sent
// to it). Made once and only hidden.
class AlertsDialog : public QDialog {
    Q_OBJECT
public:
    AlertsDialog(StickLink& link, Prompts& prompts, Settings& settings, QWidget* parent = nullptr);

    // The plot shows the new levels; a setting could not be written.
    std::function<void(int stick)> levelsSent;
    std::function<void(const QString&)> saveFailed;

    int stick = 0;
    bool levelsChanged() const { return levelsChanged_; }
    void LoadWarnings();
    void SendWarnings(int stick);

    QCheckBox* box(int i) const { return boxes_[i]; } // warnings, sound alarm, gradients
    QLineEdit* message(int i) const { return messages_[i]; }
    QLineEdit* level(int i) const { return levels_[i]; }
    QLabel* levelLabel(int i) const { return levelLabels_[i]; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void store(bool ok);

    StickLink& link_;
    Prompts& prompts_;
    Settings& settings_;
    QCheckBox* boxes_[3] = {};
    QLineEdit* messages_[2] = {};
    QLineEdit* levels_[2] = {};
    QLabel* levelLabels_[2] = {};
    bool levelsChanged_ = false;
    bool loading_ = false;
};

} // namespace vs
