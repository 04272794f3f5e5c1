#pragma once
#include "common/prompts.h"

#include <functional>

namespace vs {

// The answers a service gives where the window would ask: messages become
// status lines, every question is answered "no" (the line says so), and
// input and file dialogs are cancelled.
class ServicePrompts final : public Prompts {
public:
    explicit ServicePrompts(std::function<void(const std::string&)> line) : line_(std::move(line)) {}

    void message(const std::string& text, Icon icon, const std::string& title = {}) override;
    bool askYesNo(const std::string& text, Icon icon, const std::string& title = {}) override;
    std::optional<std::string> saveFile(const FileDialogSpec& spec) override;
    std::optional<std::string> inputText(const std::string& prompt, const std::string& title,
                                         const std::string& proposed) override;

private:
    std::function<void(const std::string&)> line_;
};

} // namespace vs
