#include "dialogs/history_dialog.h"

#include "common/prompts.h"
#include "dialogs/dialog_keys.h"
#include "history/history_backup.h"
#include "history/history_settings.h"
#include "settings/settings.h"

#include <QCoreApplication>
#include <QCheckBox>
#include <QPointer>
#include <QThreadPool>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vs {

HistoryDialog::HistoryDialog(Settings& settings, Prompts& prompts, QWidget* parent)
    : QDialog(parent), settings_(settings), prompts_(prompts)
{
    setObjectName("frmHistorySettings");
    setWindowTitle("Settings - History");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    enabled_ = new QCheckBox("&Keep a history of every sample", this);
    enabled_->setAccessibleName("Keep a history");
    const auto days = [this](const char* name) {
        auto* box = new QSpinBox(this);
        box->setRange(1, 36500);
        box->setSuffix(" days");
        box->setAccessibleName(name);
        return box;
    };
    raw_ = days("Every sample kept for");
    rollup_ = days("Minutes kept for");
    hour_ = days("Hours kept for");
    path_ = new QLabel(this);
    path_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    size_ = new QLabel(this);
    message_ = new QLabel(this);
    message_->setWordWrap(true);
    form->addRow(enabled_);
    form->addRow("&Every sample for:", raw_);
    form->addRow("&Minutes (mean, least, greatest) for:", rollup_);
    form->addRow("&Hours for:", hour_);
    form->addRow("File:", path_);
    form->addRow("Size:", size_);
    layout->addLayout(form);
    auto* backup = new QPushButton("&Back up...", this);
    backup->setObjectName("cmdBackup");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->addButton(backup, QDialogButtonBox::ActionRole);
    layout->addWidget(message_);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (OK_Click())
            hide();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    connect(backup, &QPushButton::clicked, this, [this] { Backup_Click(); });
    // A coarser level is kept at least as long as a finer one (a shorter one
    // would leave a hole): its box cannot go below the finer one's days.
    connect(raw_, &QSpinBox::valueChanged, rollup_, &QSpinBox::setMinimum);
    connect(rollup_, &QSpinBox::valueChanged, hour_, &QSpinBox::setMinimum);
    settleDialogKeys(*this);
}

void HistoryDialog::load()
{
    const HistorySettings h = loadHistorySettings(settings_);
    enabled_->setChecked(h.enabled);
    rollup_->setMinimum(1);
    hour_->setMinimum(1);
    raw_->setValue(h.rawDays);
    rollup_->setValue(h.rollupDays);
    hour_->setValue(h.hourDays);
    path_->setText(h.path);
    const QFileInfo file(h.path);
    size_->setText(file.exists() ? QString::number(file.size() / 1e6, 'f', 1) + " MB" : QString("no file yet"));
    message_->clear();
}

bool HistoryDialog::OK_Click()
{
    const bool stored = settings_.save(keys::HistoryEnabled, 0, enabled_->isChecked() ? "1" : "0") &&
                        settings_.save(keys::HistoryRawDays, 0, QString::number(raw_->value())) &&
                        settings_.save(keys::HistoryRollupDays, 0, QString::number(rollup_->value())) &&
                        settings_.save(keys::HistoryHourDays, 0, QString::number(hour_->value()));
    if (!stored) {
        message_->setText("The settings could not be stored: the settings file is not writable.");
        return false;
    }
    if (apply)
        apply();
    return true;
}

void HistoryDialog::Backup_Click()
{
    const auto file = prompts_.saveFile({"Back up the history", "SQLite files (*.sqlite)|*.sqlite|All files (*.*)|*.*",
                                         "", "history-backup.sqlite", ".sqlite"});
    if (!file)
        return;
    // Off the window's thread: a large file takes a while, and sampling goes on.
    message_->setText("Backing up...");
    QPointer<HistoryDialog> self(this);
    const QString from = path_->text(), to = QString::fromStdString(*file);
    QThreadPool::globalInstance()->start([self, from, to] {
        QString error;
        const QString text = backupHistory(from, to, error) ? "The history was copied to " + to + "."
                                                            : "The backup failed: " + error;
        QMetaObject::invokeMethod(qApp, [self, text] {
            if (self)
                self->message_->setText(text);
        });
    });
}

} // namespace vs
