#include "window/history_window.h"

#include "history/history_export.h"
#include "window/history_summary_view.h"
#include "plot/plot_text.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeEdit>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QSplitter>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace vs {

namespace {

constexpr int64_t kHourMs = 3600 * 1000LL;

} // namespace

HistoryWindow::HistoryWindow(QString databasePath, ColorOverride colours, QWidget* parent)
    : QWidget(parent, Qt::Window), path_(std::move(databasePath)), colours_(std::move(colours))
{
    setObjectName("frmHistory");
    setWindowTitle("History");
    auto* outer = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    presets_ = new QComboBox(this);
    presets_->setObjectName("cboPreset");
    presets_->addItems({"Last hour", "Last day", "Last week", "Last month", "Everything"});
    presets_->setCurrentIndex(LastDay);
    from_ = new QDateTimeEdit(this);
    to_ = new QDateTimeEdit(this);
    for (QDateTimeEdit* e : {from_, to_}) {
        e->setDisplayFormat("yyyy-MM-dd HH:mm");
        e->setCalendarPopup(true);
    }
    auto* show = new QPushButton("&Show", this);
    auto* csv = new QPushButton("Export &CSV...", this);
    auto* log = new QPushButton("Export as &log...", this);
    auto* summary = new QPushButton("S&ummary...", this);
    summary->setObjectName("cmdSummary");
    // Each field is named by its label, for the keyboard (Alt+R) and for assistive tools.
    const auto labelled = [this, bar](const QString& text, QWidget* field) {
        auto* label = new QLabel(text, this);
        label->setBuddy(field);
        field->setAccessibleName(QString(text).remove('&').remove(':'));
        bar->addWidget(label);
        bar->addWidget(field);
    };
    labelled("&Range:", presets_);
    bar->addSpacing(12);
    labelled("&From", from_);
    labelled("&to", to_);
    bar->addWidget(show);
    bar->addStretch(1);
    bar->addWidget(summary);
    bar->addWidget(csv);
    bar->addWidget(log);
    outer->addLayout(bar);

    auto* split = new QSplitter(this);
    channels_ = new QListWidget(split);
    channels_->setObjectName("lstChannels");
    channels_->setAccessibleName("Channels");
    plot_ = new HistoryPlot(split);
    split->addWidget(channels_);
    split->addWidget(plot_);
    split->setStretchFactor(1, 1);
    split->setSizes({250, 750});
    outer->addWidget(split, 1);
    status_ = new QLabel(this);
    status_->setObjectName("lblStatus");
    outer->addWidget(status_);

    connect(presets_, &QComboBox::activated, this, [this](int i) { showPreset(static_cast<Preset>(i)); });
    connect(show, &QPushButton::clicked, this, [this] {
        showRange(from_->dateTime().toMSecsSinceEpoch(), to_->dateTime().toMSecsSinceEpoch());
    });
    connect(channels_, &QListWidget::itemChanged, this, [this] { query(); });
    const auto exportAs = [this](bool asCsv) {
        const QString file = QFileDialog::getSaveFileName(
            this, asCsv ? "Export the shown range as CSV" : "Export the shown range as a value log", QString(),
            asCsv ? "CSV files (*.csv);;All files (*)" : "Text files (*.txt);;All files (*)");
        if (!file.isEmpty())
            exportTo(file, asCsv);
    };
    connect(csv, &QPushButton::clicked, this, [exportAs] { exportAs(true); });
    connect(summary, &QPushButton::clicked, this, [this] { showSummary(); });
    connect(log, &QPushButton::clicked, this, [exportAs] { exportAs(false); });
    plot_->rangeChanged = [this](int64_t from, int64_t to) { showRange(from, to); };
    auto* follow = new QTimer(this);
    follow->setInterval(5000);
    connect(follow, &QTimer::timeout, this, [this] {
        if (isVisible() && !busy())
            followNewSamples();
    });
    follow->start();
    plot_->presetAsked = [this] { showPreset(static_cast<Preset>(presets_->currentIndex())); };
    plot_->readout = [this](int64_t t) { return readout(t); };
    // Closed as a window of its own is: Escape or Ctrl+W.
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(QKeySequence::Close)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);
    resize(1100, 600);
}

HistoryWindow::~HistoryWindow() = default;

void HistoryWindow::say(const QString& text)
{
    status_->setText(text);
}

QString HistoryWindow::statusText() const
{
    return status_->text();
}

void HistoryWindow::refresh()
{
    series_.clear();
    say(QString());
    if (!QFile::exists(path_)) {
        lookups_.close();
    } else {
        try {
            lookups_.open(path_, true);
            series_ = listSeries(lookups_);
        } catch (const SqlError& e) {
            say("The history " + path_ + " cannot be read: " + QString::fromStdString(e.what()));
        }
    }
    // Which channels were shown stays as it was; new ones show their first channel.
    std::map<QString, bool> shown;
    for (int i = 0; i < channels_->count(); ++i)
        shown[channels_->item(i)->data(Qt::UserRole).toString()] = channels_->item(i)->checkState() == Qt::Checked;
    QSignalBlocker block(channels_);
    channels_->clear();
    int index = 0;
    for (size_t k = 0; k < series_.size(); ++k) {
        const SeriesInfo& s = series_[k];
        for (int c = 0; c < s.who.channels(); ++c, ++index) {
            const QString key = s.who.serial + '\t' + s.who.labels[c] + '\t' + s.who.units.value(c);
            // The stick's name and its serial, cut in the middle when long (whole in the tooltip).
            const QString serial =
                s.who.serial.size() > 14 ? s.who.serial.left(4) + QChar(0x2026) + s.who.serial.right(8) : s.who.serial;
            const QString channel = s.who.labels[c] + " [" + s.who.units.value(c) + "]";
            auto* item = new QListWidgetItem(
                (s.who.name.isEmpty() ? serial : s.who.name + " (" + serial + ")") + ": " + channel, channels_);
            item->setToolTip((s.who.name.isEmpty() ? QString() : s.who.name + "\n") + s.who.serial + "\n" + channel);
            item->setData(Qt::UserRole + 3, s.who.serial + ":" + channel);
            item->setData(Qt::UserRole + 4, s.who.units.value(c));
            item->setData(Qt::UserRole, key);
            item->setData(Qt::UserRole + 1, static_cast<int>(k));
            item->setData(Qt::UserRole + 2, c);
            item->setData(Qt::DecorationRole, toQColor(plot_ColorMapping(index, colours_)));
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            const auto it = shown.find(key);
            item->setCheckState((it != shown.end() ? it->second : c == 0) ? Qt::Checked : Qt::Unchecked);
        }
    }
    if (series_.empty() && status_->text().isEmpty())
        say("Nothing recorded yet: the history fills as the sticks are sampled.");
    showPreset(static_cast<Preset>(presets_->currentIndex()));
}

void HistoryWindow::showPreset(Preset preset)
{
    presets_->setCurrentIndex(preset);
    const int64_t now = QDateTime::currentMSecsSinceEpoch();
    int64_t from = now - kHourMs;
    switch (preset) {
    case LastHour: break;
    case LastDay: from = now - 24 * kHourMs; break;
    case LastWeek: from = now - 7 * 24 * kHourMs; break;
    case LastMonth: from = now - 30 * 24 * kHourMs; break;
    case Everything:
        from = now;
        for (const SeriesInfo& s : series_)
            from = std::min(from, s.firstMs);
        from = std::min(from, now - kHourMs);
        break;
    }
    showRange(from, now);
}

void HistoryWindow::followNewSamples()
{
    if (!following_)
        return;
    const int64_t now = QDateTime::currentMSecsSinceEpoch();
    const int64_t span = plot_->toMs() - plot_->fromMs();
    showRange(now - span, now);
}

void HistoryWindow::showRange(int64_t fromMs, int64_t toMs)
{
    // Ending now (within a pixel column, or two seconds): follows new samples.
    const int64_t now = QDateTime::currentMSecsSinceEpoch();
    following_ = toMs >= now - std::max<int64_t>(2000, (toMs - fromMs) / std::max(1, plot_->columnsWanted()));
    plot_->setRange(fromMs, toMs);
    QSignalBlocker a(from_), b(to_);
    from_->setDateTime(QDateTime::fromMSecsSinceEpoch(plot_->fromMs()));
    to_->setDateTime(QDateTime::fromMSecsSinceEpoch(plot_->toMs()));
    query();
}

std::vector<HistoryCurve> HistoryWindow::shownCurves() const
{
    std::vector<HistoryCurve> out;
    for (int i = 0; i < channels_->count(); ++i) {
        const QListWidgetItem* item = channels_->item(i);
        if (item->checkState() != Qt::Checked)
            continue;
        out.push_back({item->data(Qt::UserRole + 1).toInt(), item->data(Qt::UserRole + 2).toInt(),
                       item->data(Qt::UserRole + 3).toString(), item->data(Qt::DecorationRole).value<QColor>(),
                       item->data(Qt::UserRole + 4).toString()});
    }
    return out;
}

void HistoryWindow::query()
{
    // Off the window's thread: sampling runs on this one.
    const int id = ++requestId_;
    ++pending_;
    const int64_t from = plot_->fromMs(), to = plot_->toMs();
    const int columns = plot_->columnsWanted();
    QPointer<HistoryWindow> self(this);
    const QString path = path_;
    const std::vector<SeriesInfo> series = series_;
    QThreadPool::globalInstance()->start([self, id, path, series, from, to, columns] {
        HistoryColumns data;
        QString error;
        try {
            SqlDatabase db;
            db.open(path, true);
            data = readColumns(db, series, from, to, columns);
        } catch (const SqlError& e) {
            error = QString::fromStdString(e.what());
        }
        QMetaObject::invokeMethod(qApp, [self, id, data = std::move(data), error]() mutable {
            if (!self)
                return;
            --self->pending_;
            if (id != self->requestId_)
                return; // a newer view was asked for meanwhile
            if (!error.isEmpty())
                self->say("The history cannot be read: " + error);
            else if (data.coarsest != Level::Raw)
                self->say(QString("Shown per %1: the mean of each column, the band from the least to the greatest "
                                  "value; the samples one by one are kept for the last %2 days only.")
                              .arg(levelName(data.coarsest))
                              .arg(self->rawDays_));
            else if (self->statusText().startsWith("Shown per"))
                self->say(QString());
            self->shownLevel_ = data.coarsest;
            self->plot_->setData(std::move(data), self->shownCurves());
        });
    });
}

QString HistoryWindow::readout(int64_t timeMs)
{
    if (!lookups_.isOpen())
        return {};
    const int64_t within = std::max<int64_t>(60000, (plot_->toMs() - plot_->fromMs()) / plot_->columnsWanted());
    QString text = QDateTime::fromMSecsSinceEpoch(timeMs).toString("yyyy-MM-dd HH:mm:ss");
    for (const HistoryCurve& c : shownCurves()) {
        const SeriesInfo& s = series_[static_cast<size_t>(c.series)];
        QString value = "-";
        try {
            // A sample where they are kept one by one; further back the
            // minute or hour that holds the time, with its band.
            if (const auto b = nearestBucket(lookups_, s, timeMs, within)) {
                const size_t ch = static_cast<size_t>(c.channel);
                const double v = ch < b->mean.size() ? b->mean[ch] : NAN;
                if (!std::isnan(v) && b->endMs == b->startMs)
                    value = numberText(v) + "  (" + QDateTime::fromMSecsSinceEpoch(b->startMs).toString("HH:mm:ss") + ")";
                else if (!std::isnan(v))
                    value = numberText(std::round(v * 100) / 100) + " (" + numberText(b->min[ch]) + " to " +
                            numberText(b->max[ch]) + ", " +
                            (b->endMs - b->startMs >= kHourMs ? "hour of " : "minute of ") +
                            QDateTime::fromMSecsSinceEpoch(b->startMs).toString("HH:mm") + ")";
            }
        } catch (const SqlError&) {
        }
        text += "\n" + c.label + ": " + value;
    }
    return text;
}

void HistoryWindow::showSummary()
{
    QStringList serials;
    for (const HistoryCurve& c : shownCurves())
        if (const QString serial = series_[static_cast<size_t>(c.series)].who.serial; !serials.contains(serial))
            serials << serial;
    if (serials.isEmpty()) {
        say("Choose the channels to sum up in the list first.");
        return;
    }
    say("Summing up...");
    ++pending_;
    QPointer<HistoryWindow> self(this);
    const QString path = path_;
    const int64_t from = plot_->fromMs(), to = plot_->toMs();
    QThreadPool::globalInstance()->start([self, path, serials, from, to] {
        HistorySummary summary;
        QString error;
        try {
            SqlDatabase db;
            db.open(path, true);
            summary = summarize(db, serials, from, to);
        } catch (const SqlError& e) {
            error = QString::fromStdString(e.what());
        }
        QMetaObject::invokeMethod(qApp, [self, summary = std::move(summary), error, from, to] {
            if (!self)
                return;
            --self->pending_;
            if (!error.isEmpty()) {
                self->say("The history cannot be read: " + error);
                return;
            }
            self->say(QString());
            if (!self->summaryView_)
                self->summaryView_ = new HistorySummaryView(self);
            self->summaryView_->showSummary(summary, QDateTime::fromMSecsSinceEpoch(from).toString("yyyy-MM-dd HH:mm") +
                                                         " to " +
                                                         QDateTime::fromMSecsSinceEpoch(to).toString("yyyy-MM-dd HH:mm"));
        });
    });
}

void HistoryWindow::exportTo(const QString& file, bool csv)
{
    ExportRequest request;
    request.csv = csv;
    request.level = shownLevel_; // what the window shows
    request.decimal = QLocale::system().decimalPoint().at(0).toLatin1();
    request.fromMs = plot_->fromMs();
    request.toMs = plot_->toMs();
    for (const HistoryCurve& c : shownCurves()) {
        const QString serial = series_[static_cast<size_t>(c.series)].who.serial;
        if (!request.serials.contains(serial))
            request.serials << serial;
        request.channels[serial].insert(c.channel);
    }
    if (request.serials.isEmpty()) {
        say("Choose the channels to export in the list first.");
        return;
    }
    say("Exporting to " + file + "...");
    QPointer<HistoryWindow> self(this);
    const QString path = path_;
    QThreadPool::globalInstance()->start([self, path, file, request] {
        QString error, done;
        long rows = 0;
        QSaveFile out(file);
        try {
            SqlDatabase db;
            db.open(path, true);
            if (!out.open(QIODevice::WriteOnly))
                error = out.errorString();
            else if (exportHistory(db, request, out, error, &rows) && !out.commit())
                error = out.errorString();
        } catch (const SqlError& e) {
            error = QString::fromStdString(e.what());
        }
        const QString text = error.isEmpty() ? "Exported " + QString::number(rows) + " rows to " + file + "."
                                             : "The export to " + file + " failed: " + error;
        QMetaObject::invokeMethod(qApp, [self, text] {
            if (self)
                self->say(text);
        });
    });
}

} // namespace vs
