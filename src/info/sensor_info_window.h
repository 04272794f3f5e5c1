#pragma once
#include "flash/flash_download.h"

#include <QDialog>

#include <optional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace vs {

class Clock;
class Settings;

// One small window for two things: in information mode ("Sensor
// Information") a read-only text about the program and every stick; in
// request mode the question for a flash recording's end time and, where
// offered, its averaging. Made once and only hidden.
class SensorInfoWindow : public QDialog {
    Q_OBJECT
public:
    SensorInfoWindow(const Settings& settings, const Clock& clock, QWidget* parent = nullptr);

    // The information text (see UpdateText in the window's source).
    void setInfoText(const QString& text);
    // Request mode with a caption, information mode with none. In request
    // mode the time box proposes now minus `seconds`.
    void ShowSensorDetails(const QString& caption, double seconds);
    // Shows or hides the averaging box; its limits; the result starts at 0.
    void SetupAverage(bool show, int maximum, int minimum);
    // Shows the request modally until answered. Escape, closing the window
    // and an empty time box cancel it (no value).
    std::optional<FlashRequest> request(const QString& caption, double seconds, const AverageSetup& average);

    int averageResult() const { return average_; }
    QString promptText() const { return prompt_; }
    QLineEdit* timeBox() const { return text1_; }
    QLineEdit* averageBox() const { return txtAverage_; }
    QPlainTextEdit* infoBox() const { return txtInfo_; }
    QLabel* hint() const { return hint_; }
    bool requestMode() const { return requestMode_; }

signals:
    void hidden();

protected:
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void answer();
    void cancel();
    int clampedAverage();

    const Settings& settings_;
    const Clock& clock_;
    QPlainTextEdit* txtInfo_;
    QLabel* picture1_;
    QLabel* hint_;
    QLineEdit* text1_;
    QLabel* lblAverage_;
    QLineEdit* txtAverage_;
    QString prompt_;
    int average_ = 0;
    int minimum_ = 0, maximum_ = 0;
    bool requestMode_ = false;
    bool cancelled_ = false;
};

} // namespace vs
