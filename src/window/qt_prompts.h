#pragma once
#include "common/prompts.h"

#include <QString>

class QWidget;

namespace vs {

// The real dialogs: message boxes, the save-file dialog and the input box.
class QtPrompts final : public Prompts {
public:
    explicit QtPrompts(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    void message(const std::string& text, Icon icon, const std::string& title) override;
    bool askYesNo(const std::string& text, Icon icon, const std::string& title) override;
    bool askYesNoDefaultNo(const std::string& text, Icon icon, const std::string& title) override;
    bool askOkCancel(const std::string& text, Icon icon, const std::string& title) override;
    std::optional<std::string> openFile(const FileDialogSpec& spec) override;
    std::optional<uint32_t> chooseColour(uint32_t initial) override;
    std::optional<PromptFont> chooseFont(const PromptFont& initial) override;
    std::optional<std::string> saveFile(const FileDialogSpec& spec) override;
    std::optional<std::string> inputText(const std::string& prompt, const std::string& title,
                                         const std::string& proposed) override;

private:
    QWidget* parent_;
};

// "Bitmap files (*.bmp)|*.bmp|All files (*.*)|*.*" as a dialog filter list.
QString dialogFilter(const std::string& pipeSeparated);

} // namespace vs
