#include "dialogs/advanced_dialog.h"

#include "dialogs/dialog_keys.h"

#include "common/prompts.h"
#include "settings/settings.h"
#include "stick/knob_flag.h"
#include "stick/stick_link.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vs {

AdvancedDialog::AdvancedDialog(StickLink& link, Prompts& prompts, Settings& settings, QWidget* parent)
    : QDialog(parent), link_(link), prompts_(prompts), settings_(settings)
{
    setObjectName("frmAdvanced");
    setWindowTitle("Settings - Advanced");
    auto* outer = new QVBoxLayout(this);
    auto* actions = new QGroupBox("Actions", this);
    auto* grid = new QGridLayout(actions);
    auto* baseline = new QPushButton("Reset AQL", actions);
    baseline->setObjectName("CmdResetBaseLine");
    baseline->setToolTip("Reset the sensor input to represent a low reading");
    auto* reset = new QPushButton("Reset Settings", actions);
    reset->setObjectName("cmdResetSettings");
    reset->setToolTip("Reset the stick to factory defaults and delete program registry keys");
    auto* l1 = new QLabel("Set the current reading to represent a good air quality level.", actions);
    auto* l2 = new QLabel("Reset all program settings and USB stick to the factory defaults.", actions);
    l1->setWordWrap(true);
    l2->setWordWrap(true);
    grid->addWidget(baseline, 0, 0);
    grid->addWidget(l1, 0, 1);
    grid->addWidget(reset, 1, 0);
    grid->addWidget(l2, 1, 1);
    grid->setColumnStretch(1, 1);
    outer->addWidget(actions);
    connect(baseline, &QPushButton::clicked, this, [this] { CmdResetBaseLine_Click(); });
    connect(reset, &QPushButton::clicked, this, [this] { cmdResetSettings_Click(); });
    resize(460, 150);
    settleDialogKeys(*this);
}

int AdvancedDialog::validSticks() const
{
    int n = 0;
    for (int i = 0; i < link_.SlotsReserved; ++i)
        n += link_.Nymstick_isOpen(i) ? 1 : 0;
    return n;
}

void AdvancedDialog::CmdResetBaseLine_Click()
{
    const std::string plural = link_.SlotsReserved >= 2 ? "s" : "";
    if (!prompts_.askYesNo("Caution: reseting baseline" + plural +
                               " under wrong conditions might change device performance.\r\nConsult help file for "
                               "advise.\r\n\r\nContinue?",
                           Prompts::Icon::Question))
        return;
    for (int i = 0; i < link_.SlotsReserved; ++i) {
        Nymstick_ResetBaseline(link_, i);
        if (StickRecord* s = link_.slot(i))
            s->ConfiguredAt = link_.clock().now().toDays();
    }
}

void AdvancedDialog::cmdResetSettings_Click()
{
    const int n = validSticks();
    if (n == 0)
        return;
    const std::string plural = n > 1 ? "s" : "";
    if (!prompts_.askOkCancel("This will set the USB stick" + plural +
                                  " to factory defaults\r\nand remove all registry settings used by this "
                                  "program.\r\n\r\nNote: after resetting to factory defaults you might not "
                                  "see\r\nany values during the warmup period.\r\n\r\nConsult the manual for "
                                  "further details. Proceed?",
                              Prompts::Icon::Question))
        return;
    if (resetSticks)
        resetSticks();
    CleanKeys();
    if (prompts_.askYesNo("You must restart the program for the default values to be reloaded.\r\n\r\nExit now?",
                          Prompts::Icon::Question) &&
        exitProgram)
        exitProgram();
}

void AdvancedDialog::CleanKeys()
{
    settings_.clearAll();
}

void AdvancedDialog::closeEvent(QCloseEvent* event)
{
    event->ignore();
    hide();
}

} // namespace vs
