#include "window/qt_prompts.h"

#include "settings/key_table.h"

#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace vs {

namespace {

// Room for the window manager's buttons and margins in a title bar.
constexpr int kTitleBarButtons = 140;

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

// A box as wide as its title needs (a short text such as "Aborted." would
// otherwise cut the title off).
void fitTitle(QMessageBox& box)
{
    const int wanted = QFontMetrics(QApplication::font()).horizontalAdvance(box.windowTitle()) + kTitleBarButtons;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(wanted, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
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
    fitTitle(box);
    box.exec();
}

bool QtPrompts::askYesNo(const std::string& text, Icon icon, const std::string& title)
{
    QMessageBox box(iconOf(icon), titleOr(title), QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No,
                    parent_);
    fitTitle(box);
    return box.exec() == QMessageBox::Yes;
}

bool QtPrompts::askYesNoDefaultNo(const std::string& text, Icon icon, const std::string& title)
{
    QMessageBox box(iconOf(icon), titleOr(title), QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No,
                    parent_);
    box.setDefaultButton(QMessageBox::No);
    fitTitle(box);
    return box.exec() == QMessageBox::Yes;
}

bool QtPrompts::askOkCancel(const std::string& text, Icon icon, const std::string& title)
{
    QMessageBox box(iconOf(icon), titleOr(title), QString::fromStdString(text), QMessageBox::Ok | QMessageBox::Cancel,
                    parent_);
    fitTitle(box);
    return box.exec() == QMessageBox::Ok;
}

std::optional<std::string> QtPrompts::openFile(const FileDialogSpec& spec)
{
    QFileDialog dialog(parent_, QString::fromStdString(spec.title), QString::fromStdString(spec.folder),
                       dialogFilter(spec.filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (!spec.defaultExtension.empty())
        dialog.setDefaultSuffix(QString::fromStdString(spec.defaultExtension).remove(0, 1));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

std::optional<uint32_t> QtPrompts::chooseColour(uint32_t initial)
{
    const QColor start(static_cast<int>(initial & 0xFF), static_cast<int>((initial >> 8) & 0xFF),
                       static_cast<int>((initial >> 16) & 0xFF));
    const QColor chosen = QColorDialog::getColor(start, parent_);
    if (!chosen.isValid())
        return std::nullopt;
    return static_cast<uint32_t>(chosen.red() | (chosen.green() << 8) | (chosen.blue() << 16));
}

std::optional<PromptFont> QtPrompts::chooseFont(const PromptFont& initial)
{
    QFont start(QString::fromStdString(initial.name));
    if (initial.size > 0)
        start.setPointSizeF(initial.size);
    start.setBold(initial.bold);
    start.setUnderline(initial.underline);
    start.setItalic(initial.italic);
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, start, parent_);
    if (!ok)
        return std::nullopt;
    return PromptFont{f.family().toStdString(), f.pointSizeF(), f.bold(), f.underline(), f.italic()};
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
