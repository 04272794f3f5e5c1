#pragma once
#include <QDialog>

#include <functional>

namespace vs {

// The two actions that cannot be undone: resetting every stick's sensor
// baseline ("Reset AQL"), and returning sticks and program to their factory
// defaults ("Reset Settings"); the core asks and acts. Made once and only hidden.
class AdvancedDialog : public QDialog {
    Q_OBJECT
public:
    explicit AdvancedDialog(QWidget* parent = nullptr);

    std::function<void()> resetBaseline;
    std::function<void()> resetSettings;

    void CmdResetBaseLine_Click() { resetBaseline(); }
    void cmdResetSettings_Click() { resetSettings(); }

protected:
    void closeEvent(QCloseEvent* event) override;

};

} // namespace vs
