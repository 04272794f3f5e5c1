#pragma once
#include <QDialog>

#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace vs {

class StickLink;
class Prompts;
class Settings;
class SamplingLoop;
struct PlotRecord;
struct PlotSettings;

// "Settings - Plot": curve colours, enables and pen width; title and level
// labels (with Unicode import); grid, scaling, background, scroll, Y values;
// the gradient's blue; margins; fonts; sample interval and record length.
// Every change shows at the next redraw. Made once and only hidden; closing
// it stores what it edits.
class PlotSettingsDialog : public QDialog {
    Q_OBJECT
public:
    PlotSettingsDialog(StickLink& link, Prompts& prompts, Settings& settings, PlotRecord& plot,
                       PlotSettings& plotSettings, SamplingLoop& sampling, QWidget* parent = nullptr);

    std::function<void()> changed;                 // redraw the plot
    std::function<void()> storeResized;            // the record length changed: new store
    std::function<void(const QString&)> saveFailed; // a setting could not be written
    std::function<void(bool)> lightChanged;         // the light look on a dark desktop

    // Controls from the plot settings and the stick table.
    void load();
    void FillChannelList();
    void setScrollShown(bool shown);
    // Enter in the two sampling boxes.
    void applyRecordLength();
    void applyInterval();

    QComboBox* curves() const { return curves_; }
    QCheckBox* enable() const { return enable_; }
    QLineEdit* penWidth() const { return penWidth_; }
    QLineEdit* title(int i) const { return titles_[i]; }
    QCheckBox* check(int i) const { return checks_[i]; } // grid, auto scale, gradient, scroll, show Y, lanes
    QCheckBox* lightPlot() const { return light_; }
    // Every curve with a check: shown or not.
    QListWidget* shownCurves() const { return shown_; }
    // Checks every curve of the selected curve's stick (unchecks them when all are checked).
    void allOfThisStick();
    // The enables changed elsewhere (a click on the legend).
    void showEnables();
    QLineEdit* blue() const { return blue_; }
    QLineEdit* margin(int i) const { return margins_[i]; }
    QLineEdit* interval() const { return interval_; }
    QLineEdit* recordLength() const { return recordLength_; }
    QLabel* rangeLabel() const { return range_; }
    QLabel* fontLabel(int i) const { return fontLabels_[i]; }
    void pickColour();
    void importTitle(int i);
    void changeFont(int i);
    void lighter(int step);

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int currentCurve() const;
    void showCurve();
    void blueEdited();
    void UpdateFont(int i);
    void store(bool ok);
    void setEnabled(int curve, bool on);

    StickLink& link_;
    Prompts& prompts_;
    Settings& settings_;
    PlotRecord& plot_;
    PlotSettings& ps_;
    SamplingLoop& sampling_;
    QComboBox* curves_;
    QCheckBox* enable_;
    QLabel* colourBox_;
    QLineEdit* penWidth_;
    QLineEdit* titles_[4] = {};
    QCheckBox* checks_[6] = {};
    QCheckBox* light_;
    QListWidget* shown_;
    QLineEdit* blue_;
    QLineEdit* margins_[4] = {};
    QLabel* fontLabels_[2] = {};
    QLineEdit* interval_;
    QLineEdit* recordLength_;
    QLabel* range_;
    std::vector<int> curveOf_;
    std::vector<int> stickOf_;
    bool loading_ = false;
    bool recordLengthEdited_ = false;
};

} // namespace vs
