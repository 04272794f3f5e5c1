#include "monitor/qt_prompts.h"

#include "settings/key_table.h"

#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace vs {

namespace {

QMessageBox::Icon iconOf(Prompts::Icon icon)
{
    switch (icon) {
    case Prompts::Icon::Question: return QMessageBox::Question;
    case Prompts::Icon::Exclamation: return QMessageBox::Warning;
    case Prompts::Icon::Critical: return QMessageBox::Critical;
    case Prompts::Icon::Information: break;
    }
    return QMessageBox::Information;
}

QString titleOr(const std::string& title)
{
    return title.empty() ? applicationTitle() : QString::fromStdString(title);
}

} // namespace

QString dialogFilter(const std::string& pipeSeparated)
{
    const QStringList parts = QString::fromStdString(pipeSeparated).split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters << parts[i].split(" (").first() + " (" + parts[i + 1].split(';').join(' ') + ")";
    return filters.join(";;");
}

void QtPrompts::message(const std::string& text, Icon icon, const std::string& title)
{
    QMessageBox box(iconOf(icon), titleOr(title), QString::fromStdString(text), QMessageBox::Ok, parent_);
    box.exec();
}

bool QtPrompts::askYesNo(const std::string& text, Icon icon, const std::string& title)
{
    QMessageBox box(iconOf(icon), titleOr(title), QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No,
                    parent_);
    return box.exec() == QMessageBox::Yes;
}

bool QtPrompts::askOkCancel(const std::string& text, Icon icon, const std::string& title)
{
    QMessageBox box(iconOf(icon), titleOr(title), QString::fromStdString(text), QMessageBox::Ok | QMessageBox::Cancel,
                    parent_);
    return box.exec() == QMessageBox::Ok;
}

std::optional<std::string> QtPrompts::saveFile(const FileDialogSpec& spec)
{
    QFileDialog dialog(parent_, QString::fromStdString(spec.title), QString::fromStdString(spec.folder),
                       dialogFilter(spec.filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    QString suffix = QString::fromStdString(spec.defaultExtension);
    if (suffix.startsWith('.'))
        suffix.remove(0, 1);
    dialog.setDefaultSuffix(suffix);
    if (!spec.proposedName.empty())
        dialog.selectFile(QDir(QString::fromStdString(spec.folder)).filePath(QString::fromStdString(spec.proposedName)));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

std::optional<std::string> QtPrompts::inputText(const std::string& prompt, const std::string& title,
                                                const std::string& proposed)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parent_, titleOr(title), QString::fromStdString(prompt),
                                               QLineEdit::Normal, QString::fromStdString(proposed), &ok);
    if (!ok)
        return std::nullopt;
    return text.toStdString();
}

} // namespace vs
