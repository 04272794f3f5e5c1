#pragma once
#include "plot/plot_model.h"

#include <QObject>
#include <QString>

#include <functional>

class QCheckBox;
class QPushButton;
class QWidget;

namespace vs {

class Settings;

// A quick-button setting: a picture file name, optionally followed by ","
// and a caption; a value starting with "," is a caption without picture.
struct QuickButtonSetting {
    QString picture;
    QString caption;
    bool configured = false;
};
QuickButtonSetting parseQuickButton(const QString& value);

// Up to three buttons (help, flash download, snapshot) and the "Live data"
// check box over the bottom of the plot.
class QuickButtons : public QObject {
    Q_OBJECT
public:
    QuickButtons(QWidget* plotPicture, const Settings& settings, QString folder);

    std::function<void()> onHelp, onFlash, onSnapshot;
    std::function<void(bool ticked)> onLiveData;

    void QuickButton_Load();
    void QuickButton_Enable();
    void QuickButton_Position(const PlotGeometry& geometry);
    bool configured() const { return configured_; }
    QPushButton* button(int i) const { return buttons_[i]; }
    QCheckBox* liveData() const { return live_; }
    // Sets "Live data" and runs its click action when the value changed.
    void setLiveData(bool ticked);

private:
    QWidget* plot_;
    const Settings& settings_;
    QString folder_;
    QPushButton* buttons_[3];
    QCheckBox* live_;
    bool configured_ = false;
};

} // namespace vs
