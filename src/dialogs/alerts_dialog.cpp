#include "dialogs/alerts_dialog.h"

#include "dialogs/dialog_keys.h"

#include "common/numformat.h"
#include "core/warning_knobs.h"
#include "settings/settings.h"
#include "stick/knob_flag.h"
#include "stick/stick_link.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace vs {

namespace {

const KeyDef* const kBoxKeys[] = {&keys::Warnings, &keys::WarningSounds, &keys::PlotGradientWarnings};

} // namespace

AlertsDialog::AlertsDialog(StickLink& link, Prompts& prompts, Settings& settings, QWidget* parent)
    : QDialog(parent), link_(link), prompts_(prompts), settings_(settings)
{
    setObjectName("frmAlerts");
    setWindowTitle("Settings - Alerts");
    auto* grid = new QGridLayout(this);
    const char* captions[] = {"Warnings", "Sound Alarm", "Draw warning gradients"};
    const char* names[] = {"ChkWarnings", "Chk_SoundAlarm", "ChkDrawGradients"};
    const char* tips[] = {"Uncheck if you do not want to be warned about bad air",
                          "Uncheck if you think the beeps are annoying",
                          "Drawing the warnings in a \"rainbow style\" uses more CPU power. But it looks nice."};
    for (int i = 0; i < 3; ++i) {
        auto* box = new QCheckBox(captions[i], this);
        box->setObjectName(names[i]);
        box->setToolTip(tips[i]);
        box->setChecked(settings.number(*kBoxKeys[i]) != 0);
        connect(box, &QCheckBox::toggled, this, [this, i](bool on) {
            store(settings_.save(*kBoxKeys[i], 0, on ? "1" : "0"));
        });
        grid->addWidget(box, i, 0, 1, 3);
        boxes_[i] = box;
    }
    for (int i = 0; i < 2; ++i) {
        messages_[i] = new QLineEdit(settings.text(keys::TxtWarnMsg, i), this);
        messages_[i]->setObjectName(QString("TxtWarnMsg%1").arg(i));
        messages_[i]->installEventFilter(this);
        levels_[i] = new QLineEdit("0", this);
        levels_[i]->setObjectName(QString("TxtLevel%1").arg(i));
        levels_[i]->installEventFilter(this);
        connect(levels_[i], &QLineEdit::textEdited, this, [this] { levelsChanged_ = true; });
        levelLabels_[i] = new QLabel(QString("Level %1").arg(i + 1), this);
        levelLabels_[i]->setObjectName(QString("LblWarnLvl%1").arg(i));
        // Each field is named by the label before it (for assistive tools too).
        auto* messageLabel = new QLabel(QString("Message %1").arg(i + 1), this);
        messageLabel->setBuddy(messages_[i]);
        levelLabels_[i]->setBuddy(levels_[i]);
        grid->addWidget(messageLabel, 3 + i, 0);
        grid->addWidget(messages_[i], 3 + i, 1, 1, 2);
        grid->addWidget(levelLabels_[i], 5 + i, 0, 1, 2);
        grid->addWidget(levels_[i], 5 + i, 2);
    }
    resize(420, 240);
    settleDialogKeys(*this);
}

void AlertsDialog::store(bool ok)
{
    if (!ok && saveFailed)
        saveFailed("Settings could not be saved: the settings file is not writable.");
}

void AlertsDialog::LoadWarnings()
{
    if (!link_.Nymstick_isOpen(stick))
        return;
    const StickRecord* s = link_.slot(stick);
    for (int level = 1; level <= 2; ++level) {
        const int k = FindWarningLevelKnob(link_, level, stick);
        if (k < 0)
            continue;
        const KnobRecord& knob = s->Knobs[static_cast<size_t>(k)];
        levels_[level - 1]->setText(QString::fromStdString(generalNumber(knobDisplayFromRaw(knob, knob.Value))));
        levelLabels_[level - 1]->setText(QString::fromStdString(knob.Name + " (" + generalNumber(knob.Min) + "..." +
                                                                 generalNumber(knob.Max) + ")"));
    }
    levelsChanged_ = false;
}

void AlertsDialog::SendWarnings(int s)
{
    for (int level = 1; level <= 2; ++level)
        SetKnob(link_, prompts_, s, FindWarningLevelKnob(link_, level, s), levels_[level - 1]->text().toStdString());
    if (levelsSent)
        levelsSent(s);
    levelsChanged_ = false;
}

bool AlertsDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            for (int i = 0; i < 2; ++i) {
                if (watched == messages_[i]) {
                    store(settings_.save(keys::TxtWarnMsg, i, messages_[i]->text()));
                    return true;
                }
                if (watched == levels_[i]) {
                    SendWarnings(stick);
                    return true;
                }
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void AlertsDialog::closeEvent(QCloseEvent* event)
{
    event->ignore();
    reject();
}

void AlertsDialog::reject()
{
    if (levelsChanged_)
        SendWarnings(stick);
    hide();
}

} // namespace vs
