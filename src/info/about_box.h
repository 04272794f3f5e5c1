#pragma once
#include <QDialog>
#include <QIcon>

#include <functional>

class QLabel;
class QPushButton;

namespace vs {

// Links of the about box and "Search for updates...": this project's own
// address, used where the stick names none.
extern const char* const kProjectWebAddress;

// An address to open: as given when it names its scheme, else "http://" + it.
QString webAddress(const QString& text);

// The about box: name, version, disclaimer and links. Control as the last
// key pressed before a double click on the icon switches engineering mode
// on, which stays on for the run.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(const QIcon& programIcon, QWidget* parent = nullptr);

    std::function<void()> engineeringOn;  // the main window's part
    std::function<void()> showSysInfo;    // the sensor information window
    std::function<void(const QString&)> openAddress;
    QString extraVersion;

    // Fills the box before it is shown; the stick's web address goes into the second link.
    void load(const QString& stickAddress);
    void EngineeringMode();
    bool engineering() const { return engineering_; }

    QLabel* version() const { return lblVersion_; }
    QLabel* disclaimer() const { return lblDisclaimer_; }
    QLabel* icon() const { return picIcon_; }
    QLabel* web(int i) const { return web_[i]; }
    QPushButton* sysInfo() const { return cmdSysInfo_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* lblTitle_;
    QLabel* lblVersion_;
    QLabel* lblDescription_;
    QLabel* lblDisclaimer_;
    QLabel* picIcon_;
    QLabel* web_[2] = {};
    QPushButton* cmdSysInfo_;
    int lastKey_ = 0;
    bool engineering_ = false;
};

} // namespace vs
