#include "dialogs/plot_settings_dialog.h"

#include "dialogs/dialog_keys.h"

#include "common/numformat.h"
#include "common/prompts.h"
#include "dialogs/curve_list.h"
#include "core/sampling_loop.h"
#include "plot/plot_model.h"
#include "settings/conversions.h"
#include "settings/plot_settings_io.h"
#include "settings/settings.h"
#include "stick/stick_link.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace vs {

namespace {

// A label that names `field`, for the eye and for assistive tools.
QLabel* labelFor(const QString& text, QWidget* field)
{
    auto* label = new QLabel(text, field->parentWidget());
    label->setBuddy(field);
    return label;
}

QLineEdit* box(QWidget* parent, const QString& name, const QString& tip)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setToolTip(tip);
    return e;
}

QString colourStyle(Rgb c)
{
    return QString("background-color: rgb(%1, %2, %3);").arg(c & 0xFF).arg((c >> 8) & 0xFF).arg((c >> 16) & 0xFF);
}

} // namespace

PlotSettingsDialog::PlotSettingsDialog(StickLink& link, Prompts& prompts, Settings& settings, PlotRecord& plot,
                                       PlotSettings& plotSettings, SamplingLoop& sampling, QWidget* parent)
    : QDialog(parent), link_(link), prompts_(prompts), settings_(settings), plot_(plot), ps_(plotSettings),
      sampling_(sampling)
{
    setObjectName("frmPlotSettings");
    setWindowTitle("Settings - Plot");
    auto* layout = new QGridLayout(this);

    auto* curve = new QGroupBox("Curve", this);
    auto* cl = new QGridLayout(curve);
    curves_ = new QComboBox(curve);
    curves_->setObjectName("CmbChannelList");
    curves_->setAccessibleName("Curve to change");
    curves_->setToolTip("Select curve to change color for or enable/disable");
    enable_ = new QCheckBox("Enable curve", curve);
    enable_->setObjectName("ChkEnableChannel");
    enable_->setToolTip("Uncheck to remove the curve above from the graph");
    enable_->setChecked(true);
    auto* pick = new QPushButton("Pick new color...", curve);
    pick->setObjectName("CmdPickColor");
    // The curve's colour itself (a disabled button would show it paler).
    colourBox_ = new QLabel(curve);
    colourBox_->setObjectName("PicColor");
    colourBox_->setFixedWidth(40);
    colourBox_->setFrameShape(QFrame::Box);
    penWidth_ = box(curve, "TxtPenWidth", "Width of this curve (\"enter\" to save)");
    cl->addWidget(curves_, 0, 0, 1, 3);
    cl->addWidget(enable_, 1, 0);
    cl->addWidget(pick, 1, 1);
    cl->addWidget(colourBox_, 1, 2);
    cl->addWidget(labelFor("Pen width", penWidth_), 2, 0);
    cl->addWidget(penWidth_, 2, 1, 1, 2);
    shown_ = new QListWidget(curve);
    shown_->setObjectName("LstShownCurves");
    shown_->setToolTip("Check the curves to show");
    shown_->setAccessibleName("Curves shown");
    shown_->setMaximumHeight(110);
    auto* all = new QPushButton("All of this stick", curve);
    all->setObjectName("CmdAllOfStick");
    all->setToolTip("Show every curve of the selected curve's stick (hide them when all are shown)");
    connect(all, &QPushButton::clicked, this, [this] { allOfThisStick(); });
    cl->addWidget(labelFor("Curves shown", shown_), 3, 0, 1, 3);
    cl->addWidget(shown_, 4, 0, 1, 3);
    cl->addWidget(all, 5, 0, 1, 3);
    connect(shown_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (loading_)
            return;
        const int row = shown_->row(item);
        if (row >= 0 && row < static_cast<int>(curveOf_.size()))
            setEnabled(curveOf_[static_cast<size_t>(row)], item->checkState() == Qt::Checked);
    });
    connect(shown_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!loading_ && row >= 0)
            curves_->setCurrentIndex(row);
    });
    layout->addWidget(curve, 0, 0);

    auto* texts = new QGroupBox("Plot", this);
    auto* tl = new QGridLayout(texts);
    const char* buttons[] = {"Title", "Label OK", "Label MED", "Label BAD"};
    for (int i = 0; i < 4; ++i) {
        auto* b = new QPushButton(buttons[i], texts);
        b->setObjectName(QString("CmdTitle%1").arg(i));
        b->setToolTip("Import Unicode");
        connect(b, &QPushButton::clicked, this, [this, i] { importTitle(i); });
        titles_[i] = box(texts, QString("TxtTitle%1").arg(i), "");
        connect(titles_[i], &QLineEdit::textEdited, this, [this, i](const QString& t) {
            ps_.TitleLines[i] = t;
            if (changed)
                changed();
        });
        titles_[i]->setAccessibleName(QString(buttons[i]) + " text");
        tl->addWidget(b, i, 0);
        tl->addWidget(titles_[i], i, 1);
    }
    titles_[0]->setText("Air quality trend");
    const char* checks[] = {"Grid", "Auto scale", "Gradient Background", "Scroll", "Show Y values", "Lanes by unit"};
    const char* names[] = {"ChkGrid", "ChkAutoScale", "ChkGradientBackground", "ChkScroll", "Chk_ShowY", "ChkLanes"};
    auto* checkGrid = new QGridLayout;
    tl->addLayout(checkGrid, 4, 0, 1, 2);
    for (int i = 0; i < 6; ++i) {
        checks_[i] = new QCheckBox(checks[i], texts);
        checks_[i]->setObjectName(names[i]);
        checkGrid->addWidget(checks_[i], i / 3, i % 3, Qt::AlignLeft);
        connect(checks_[i], &QCheckBox::toggled, this, [this, i](bool on) {
            bool* fields[] = {&ps_.PlotGrid, &ps_.PlotAutoScale, &ps_.PlotBkgGradient, &ps_.PlotScroll,
                              &ps_.ShowYvalues, &ps_.PlotLanes};
            *fields[i] = on;
            if (!loading_ && changed)
                changed();
        });
    }
    checks_[3]->hide(); // engineering mode only
    checks_[5]->setToolTip("One lane per unit, each with its own scale");
    light_ = new QCheckBox("Light plot on a dark desktop", texts);
    light_->setObjectName("ChkLightPlot");
    checkGrid->addWidget(light_, 2, 0, 1, 3, Qt::AlignLeft);
    connect(light_, &QCheckBox::toggled, this, [this](bool on) {
        if (loading_)
            return;
        store(settings_.save(keys::LightPlot, 0, on ? "1" : "0"));
        if (lightChanged)
            lightChanged(on);
    });
    blue_ = box(texts, "TxtBlueComponent", "The \"Blue component\", 0-255");
    auto* plus = new QPushButton("+10", texts);
    plus->setObjectName("CmdLight0");
    auto* minus = new QPushButton("-10", texts);
    minus->setObjectName("CmdLight1");
    connect(plus, &QPushButton::clicked, this, [this] { lighter(10); });
    connect(minus, &QPushButton::clicked, this, [this] { lighter(-10); });
    connect(blue_, &QLineEdit::textChanged, this, [this] { blueEdited(); });
    auto* blueRow = new QHBoxLayout;
    blueRow->addWidget(labelFor("Gradient Color Intensity", blue_));
    blueRow->addWidget(blue_);
    blueRow->addWidget(plus);
    blueRow->addWidget(minus);
    tl->addLayout(blueRow, 6, 0, 1, 2);
    layout->addWidget(texts, 0, 1, 2, 1);

    auto* marginsBox = new QGroupBox("Margins", this);
    auto* ml = new QGridLayout(marginsBox);
    const char* tips[] = {"Top margin in pixels", "Left margin in pixels", "Bottom margin in pixels",
                          "Right margin in pixels"};
    const char* sides[] = {"Top", "Left", "Bottom", "Right"};
    for (int i = 0; i < 4; ++i) {
        margins_[i] = box(marginsBox, QString("TxtMargin%1").arg(i), tips[i]);
        connect(margins_[i], &QLineEdit::textEdited, this, [this, i](const QString& t) {
            ps_.Margin[i] = static_cast<int>(leadingInteger(t, 16));
            if (changed)
                changed();
        });
        margins_[i]->setAccessibleName(QString(sides[i]) + " margin");
        ml->addWidget(new QLabel(sides[i], marginsBox), i / 2, (i % 2) * 2);
        ml->addWidget(margins_[i], i / 2, (i % 2) * 2 + 1);
    }
    layout->addWidget(marginsBox, 1, 0);

    auto* fonts = new QGroupBox("Fonts", this);
    auto* fl = new QGridLayout(fonts);
    const char* fontNames[] = {"Application font:", "Title font:"};
    for (int i = 0; i < 2; ++i) {
        fontLabels_[i] = new QLabel("Default", fonts);
        fontLabels_[i]->setObjectName(QString("LblFont%1").arg(i));
        auto* change = new QPushButton("Change font", fonts);
        change->setObjectName(QString("CmdChangeFont%1").arg(i));
        change->setToolTip("Changes the graph font");
        connect(change, &QPushButton::clicked, this, [this, i] { changeFont(i); });
        fl->addWidget(new QLabel(fontNames[i], fonts), i, 0);
        fl->addWidget(fontLabels_[i], i, 1);
        fl->addWidget(change, i, 2);
    }
    layout->addWidget(fonts, 2, 0);

    auto* samplingBox = new QGroupBox("Sampling", this);
    auto* sl = new QGridLayout(samplingBox);
    interval_ = box(samplingBox, "tReadInterval", "Time (in seconds) between samples");
    range_ = new QLabel(samplingBox);
    range_->setObjectName("LblTrange");
    recordLength_ = box(samplingBox, "tRecLen", "The number of data points shown in the graph");
    connect(recordLength_, &QLineEdit::textEdited, this, [this] { recordLengthEdited_ = true; });
    sl->addWidget(labelFor("Sample Interval (s)", interval_), 0, 0);
    sl->addWidget(interval_, 0, 1);
    sl->addWidget(range_, 0, 2);
    sl->addWidget(labelFor("Record Length", recordLength_), 1, 0);
    sl->addWidget(recordLength_, 1, 1);
    layout->addWidget(samplingBox, 2, 1);

    connect(curves_, &QComboBox::currentIndexChanged, this, [this] { showCurve(); });
    connect(enable_, &QCheckBox::clicked, this, [this](bool on) { setEnabled(currentCurve(), on); });
    connect(pick, &QPushButton::clicked, this, [this] { pickColour(); });
    for (QLineEdit* e : {penWidth_, blue_, interval_, recordLength_, margins_[0], margins_[1], margins_[2], margins_[3],
                         titles_[0], titles_[1], titles_[2], titles_[3]})
        e->installEventFilter(this);
    load();
    settleDialogKeys(*this);
}

void PlotSettingsDialog::load()
{
    loading_ = true;
    const bool values[] = {ps_.PlotGrid,   ps_.PlotAutoScale, ps_.PlotBkgGradient,
                           ps_.PlotScroll, ps_.ShowYvalues,   ps_.PlotLanes};
    for (int i = 0; i < 6; ++i)
        checks_[i]->setChecked(values[i]);
    light_->setChecked(settings_.number(keys::LightPlot) == 1);
    for (int i = 0; i < 4; ++i) {
        margins_[i]->setText(QString::number(ps_.Margin[i]));
        titles_[i]->setText(ps_.TitleLines[i]);
    }
    blue_->setText(QString::number(ps_.GradientBcomponent));
    UpdateFont(0);
    UpdateFont(1);
    recordLength_->setText(QString::number(plot_.RecordLength));
    recordLengthEdited_ = false;
    interval_->setText(QString::fromStdString(generalNumber(sampling_.readInterval())));
    range_->setText(QString::fromStdString(intervalRangeText(sampling_.lastPassSeconds())));
    penWidth_->setText(settings_.text(keys::PlotPenWidth));
    FillChannelList();
    loading_ = false;
}

void PlotSettingsDialog::FillChannelList()
{
    const bool wasLoading = std::exchange(loading_, true);
    curves_->clear();
    shown_->clear();
    curveOf_.clear();
    stickOf_.clear();
    for (const CurveEntry& e : curveEntries(link_)) {
        curves_->addItem(QString::fromStdString(e.text));
        auto* item = new QListWidgetItem(QString::fromStdString(e.text), shown_);
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
        curveOf_.push_back(e.curve);
        stickOf_.push_back(e.stick);
    }
    loading_ = wasLoading;
    showEnables();
    showCurve();
}

void PlotSettingsDialog::showEnables()
{
    const bool wasLoading = std::exchange(loading_, true);
    for (int row = 0; row < shown_->count() && row < static_cast<int>(curveOf_.size()); ++row) {
        const int c = curveOf_[static_cast<size_t>(row)];
        const bool on = c >= 0 && c < plot_.nCurves && plot_.CurveEnabled[static_cast<size_t>(c)];
        shown_->item(row)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
    const int c = currentCurve();
    if (c >= 0 && c < plot_.nCurves)
        enable_->setChecked(plot_.CurveEnabled[static_cast<size_t>(c)]);
    loading_ = wasLoading;
}

void PlotSettingsDialog::setEnabled(int c, bool on)
{
    if (c < 0 || c >= plot_.nCurves)
        return;
    plot_.CurveEnabled[static_cast<size_t>(c)] = on;
    store(settings_.save(keys::ChEnable, c, on ? "1" : "0"));
    showEnables();
    if (changed)
        changed();
}

void PlotSettingsDialog::allOfThisStick()
{
    const int row = curves_->currentIndex();
    if (row < 0 || row >= static_cast<int>(stickOf_.size()))
        return;
    const int stick = stickOf_[static_cast<size_t>(row)];
    bool allOn = true;
    for (size_t i = 0; i < curveOf_.size(); ++i)
        if (stickOf_[i] == stick && curveOf_[i] < plot_.nCurves)
            allOn = allOn && plot_.CurveEnabled[static_cast<size_t>(curveOf_[i])];
    for (size_t i = 0; i < curveOf_.size(); ++i)
        if (stickOf_[i] == stick && curveOf_[i] < plot_.nCurves) {
            plot_.CurveEnabled[static_cast<size_t>(curveOf_[i])] = !allOn;
            store(settings_.save(keys::ChEnable, curveOf_[i], allOn ? "0" : "1"));
        }
    showEnables();
    if (changed)
        changed();
}

void PlotSettingsDialog::setScrollShown(bool shown)
{
    checks_[3]->setVisible(shown);
}

int PlotSettingsDialog::currentCurve() const
{
    const int i = curves_->currentIndex();
    return i >= 0 && i < static_cast<int>(curveOf_.size()) ? curveOf_[static_cast<size_t>(i)] : -1;
}

void PlotSettingsDialog::showCurve()
{
    const bool wasLoading = std::exchange(loading_, true);
    shown_->setCurrentRow(curves_->currentIndex());
    loading_ = wasLoading;
    const int c = currentCurve();
    if (c < 0 || c >= plot_.nCurves)
        return;
    enable_->setChecked(plot_.CurveEnabled[static_cast<size_t>(c)]);
    colourBox_->setStyleSheet(colourStyle(plot_.CurveColor[static_cast<size_t>(c)]));
    penWidth_->setText(QString::number(plot_.CurvePenWidth[static_cast<size_t>(c)]));
}

void PlotSettingsDialog::pickColour()
{
    const int c = currentCurve();
    if (c < 0 || c >= plot_.nCurves)
        return;
    const auto chosen = prompts_.chooseColour(plot_.CurveColor[static_cast<size_t>(c)]);
    if (!chosen)
        return;
    plot_.CurveColor[static_cast<size_t>(c)] = *chosen & 0xFFFFFF;
    store(settings_.save(keys::Color, c, QString::number(*chosen & 0xFFFFFF)));
    colourBox_->setStyleSheet(colourStyle(*chosen));
    if (changed)
        changed();
}

void PlotSettingsDialog::importTitle(int i)
{
    const auto file = prompts_.openFile(
        {"Select unicode file load", "Unicode files (*.txt)|*.txt|All files (*.*)|*.*", "", "", ".txt"});
    if (!file)
        return;
    QFile f(QString::fromStdString(*file));
    if (!f.open(QIODevice::ReadOnly)) {
        prompts_.information("Could not read " + *file + ": " + f.errorString().toStdString());
        return;
    }
    titles_[i]->setText(BytesToEscapes(f.read(128)));
    ps_.TitleLines[i] = titles_[i]->text();
    if (changed)
        changed();
}

void PlotSettingsDialog::changeFont(int i)
{
    const FontSpec& now = ps_.FontSet[i];
    const auto chosen =
        prompts_.chooseFont({now.name.toStdString(), now.size, now.bold, now.underline, now.italic});
    if (!chosen)
        return;
    ps_.FontSet[i] = FontSpec{QString::fromStdString(chosen->name), chosen->size, chosen->bold, chosen->underline,
                              chosen->italic};
    UpdateFont(i);
    if (changed)
        changed();
}

void PlotSettingsDialog::UpdateFont(int i)
{
    fontLabels_[i]->setText(ps_.FontSet[i].name.isEmpty() ? QString("Default") : ps_.FontSet[i].name);
}

void PlotSettingsDialog::blueEdited()
{
    const QString text = blue_->text();
    if (text.isEmpty())
        return;
    const int v = static_cast<int>(std::floor(leadingNumber(text)));
    const int clamped = std::clamp(v, 0, 255);
    if (text != QString::number(clamped)) {
        blue_->setText(QString::number(clamped)); // comes back here once with the clean number
        return;
    }
    ps_.GradientBcomponent = clamped;
    if (!loading_ && changed)
        changed();
}

void PlotSettingsDialog::lighter(int step)
{
    blue_->setText(QString::number(static_cast<int>(std::floor(leadingNumber(blue_->text()))) + step));
}

void PlotSettingsDialog::applyRecordLength()
{
    const int n = clampRecordLength(static_cast<int>(leadingInteger(recordLength_->text(), 32)));
    const bool was = sampling_.running();
    sampling_.setRunning(false);
    plot_.RecordLength = n;
    if (storeResized)
        storeResized();
    sampling_.setRunning(was);
    recordLength_->setText(QString::number(n));
    recordLengthEdited_ = false;
}

void PlotSettingsDialog::applyInterval()
{
    const double lastPass = sampling_.lastPassSeconds();
    range_->setText(QString::fromStdString(intervalRangeText(lastPass)));
    const auto seconds = strictNumber(interval_->text());
    if (!seconds || !sampling_.setReadInterval(*seconds)) {
        prompts_.message("Timer range is " + formatNumber(shortestInterval(lastPass), "#0.00") + "s ... " +
                             formatNumber(kLongestInterval, "#0.00") + "s",
                         Prompts::Icon::Critical, "Sample interval");
        interval_->setText(QString::fromStdString(generalNumber(sampling_.readInterval())));
        return;
    }
    store(saveReadInterval(*seconds, settings_));
}

void PlotSettingsDialog::store(bool ok)
{
    if (!ok && saveFailed)
        saveFailed("Settings could not be saved: the settings file is not writable.");
}

bool PlotSettingsDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return QDialog::eventFilter(watched, event);
    if (watched == recordLength_) {
        applyRecordLength();
    } else if (watched == interval_) {
        applyInterval();
    } else if (watched == penWidth_) {
        bool whole = false;
        const int width = penWidth_->text().trimmed().toInt(&whole);
        const int c = currentCurve();
        if (whole && width > 0 && c >= 0 && c < plot_.nCurves) {
            plot_.CurvePenWidth[static_cast<size_t>(c)] = static_cast<int16_t>(std::min(width, 100));
            store(settings_.save(keys::PlotPenWidth, 0, QString::number(width)));
            if (changed)
                changed();
        }
    } else {
        // The other boxes' values are the plot settings': stored, nothing else.
        for (int i = 0; i < 4; ++i)
            ps_.TitleLines[i] = titles_[i]->text();
        store(savePlotSettings(ps_, settings_));
    }
    return true; // never a button's click
}

void PlotSettingsDialog::closeEvent(QCloseEvent* event)
{
    event->ignore();
    reject();
}

void PlotSettingsDialog::reject()
{
    if (recordLengthEdited_)
        applyRecordLength();
    applyInterval();
    for (int i = 0; i < 4; ++i)
        ps_.TitleLines[i] = titles_[i]->text();
    store(savePlotSettings(ps_, settings_));
    if (changed)
        changed();
    hide();
}

} // namespace vs
