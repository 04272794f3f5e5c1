#pragma once
#include "history/history_reader.h"
#include "plot/plot_feed.h"
#include "window/history_plot.h"

#include <QWidget>

#include <memory>

class QComboBox;
class QDateTimeEdit;
class QLabel;
class QListWidget;

namespace vs {

// "File > History...": any time range of the history, presets or free, the
// channels chosen in a list, exports of what is shown. The window reads from
// the database on a worker thread (one query per view change); only the
// readout's single-minute lookups run here.
class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    HistoryWindow(QString databasePath, ColorOverride colours, QWidget* parent = nullptr);
    // How long the samples are kept one by one (the window says when it shows less).
    void setRawDays(int days) { rawDays_ = days; }
    ~HistoryWindow() override;

    enum Preset { LastHour, LastDay, LastWeek, LastMonth, Everything };
    // Reads the sticks the history holds and shows the chosen preset.
    void refresh();
    void showPreset(Preset preset);
    void showRange(int64_t fromMs, int64_t toMs);
    // Writes the shown range and channels, at the level shown: CSV or the value log's format.
    void exportTo(const QString& file, bool csv);
    // The daily statistics of the shown range and sticks.
    void showSummary();
    class HistorySummaryView* summaryView() { return summaryView_; }

    HistoryPlot& plot() { return *plot_; }
    QListWidget& channelList() { return *channels_; }
    const std::vector<SeriesInfo>& series() const { return series_; }
    QString statusText() const;
    // A line in the window's status bar.
    void say(const QString& text);
    // True while a query is on its way (tests wait for it).
    bool busy() const { return pending_ > 0; }
    // A range that ends now follows new samples: it moves on to end now
    // again, its length kept (every few seconds while shown).
    bool following() const { return following_; }
    void followNewSamples();

private:
    void query();
    QString readout(int64_t timeMs);
    std::vector<HistoryCurve> shownCurves() const;

    QString path_;
    ColorOverride colours_;
    std::vector<SeriesInfo> series_;
    SqlDatabase lookups_; // read-only, for the readout
    HistoryPlot* plot_;
    QComboBox* presets_;
    QDateTimeEdit *from_, *to_;
    QListWidget* channels_;
    QLabel* status_;
    int requestId_ = 0;
    int pending_ = 0;
    int rawDays_ = 30;
    bool following_ = false;
    Level shownLevel_ = Level::Raw;
    class HistorySummaryView* summaryView_ = nullptr;
};

} // namespace vs
