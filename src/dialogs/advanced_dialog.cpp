#include "dialogs/advanced_dialog.h"

#include "dialogs/dialog_keys.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vs {

AdvancedDialog::AdvancedDialog(QWidget* parent) : QDialog(parent)
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

void AdvancedDialog::closeEvent(QCloseEvent* event)
{
    event->ignore();
    hide();
}

} // namespace vs
