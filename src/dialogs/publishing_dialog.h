#pragma once
#include <QDialog>
#include <QTimer>

#include <functional>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace vs {

class Settings;
struct PublishingForm;

// "Settings - Publishing": MQTT and the metrics endpoint. "Apply" (and "OK")
// stores the sections and starts both again from them; the connection state
// is shown live while the dialog is open.
class PublishingDialog : public QDialog {
    Q_OBJECT
public:
    PublishingDialog(Settings& settings, QWidget* parent = nullptr);

    // The window's part: publishing starts again from the stored settings,
    // the states in a few words, one test message (false and why when not sent).
    std::function<void()> apply;
    std::function<QString()> mqttState, metricsState;
    std::function<bool(QString& error)> sendTest;

    // The fields from the settings file.
    void load();
    // Stores and applies; false (and the reason shown) when nothing was stored.
    bool Apply_Click();
    void Test_Click();
    void refreshState();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    PublishingForm form() const;
    void say(const QString& text);

    Settings& settings_;
    QCheckBox *mqttEnabled_, *discovery_, *mqttNetwork_, *metricsEnabled_, *metricsNetwork_;
    QLineEdit *host_, *user_, *password_, *caFile_, *topicPrefix_, *nodeId_, *discoveryPrefix_, *listen_;
    QSpinBox* port_;
    QDoubleSpinBox* interval_;
    QLabel *mqttState_, *metricsState_, *message_;
    QTimer poll_;
};

} // namespace vs
