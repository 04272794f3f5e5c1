#pragma once
#include <string>

namespace vs {

// Message boxes, input boxes and file dialogs go through this small interface:
// the window's version shows the real dialog, a test's version answers from a script.
class Prompts {
public:
    enum class Icon { Information, Question, Exclamation, Critical };
    virtual ~Prompts() = default;
    virtual void information(const std::string& text, const std::string& title = {}) = 0;
    // true for Yes
    virtual bool askYesNo(const std::string& text, Icon icon, const std::string& title = {}) = 0;
};

} // namespace vs
