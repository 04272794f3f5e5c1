#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace vs {

// What a file dialog shows. The filter is in the form
// "Bitmap files (*.bmp)|*.bmp|All files (*.*)|*.*".
struct FileDialogSpec {
    std::string title;
    std::string filter;
    std::string folder;
    std::string proposedName;
    std::string defaultExtension; // ".bmp"
};

// A font as the font dialog shows and returns it.
struct PromptFont {
    std::string name;
    double size = 8;
    bool bold = false, underline = false, italic = false;
};

// Message boxes, input boxes and file dialogs go through this small interface:
// the window's version shows the real dialog, a test's version answers from a script.
class Prompts {
public:
    enum class Icon { Information, Question, Exclamation, Critical };
    virtual ~Prompts() = default;
    virtual void message(const std::string& text, Icon icon, const std::string& title = {}) = 0;
    // true for Yes
    virtual bool askYesNo(const std::string& text, Icon icon, const std::string& title = {}) = 0;
    // The same question where Yes would do harm: No is the button Enter presses.
    virtual bool askYesNoDefaultNo(const std::string& text, Icon icon, const std::string& title = {})
    {
        return askYesNo(text, icon, title);
    }
    // true for OK; a box with OK and Cancel buttons.
    virtual bool askOkCancel(const std::string& text, Icon icon, const std::string& title = {})
    {
        return askYesNo(text, icon, title);
    }
    // The chosen file, or no value when the user cancelled.
    virtual std::optional<std::string> saveFile(const FileDialogSpec& spec) = 0;
    // The entered text, or no value when the user cancelled.
    virtual std::optional<std::string> inputText(const std::string& prompt, const std::string& title,
                                                 const std::string& proposed) = 0;

    // The file to open, the colour (0xBBGGRR) and the font chosen; no value when cancelled.
    virtual std::optional<std::string> openFile(const FileDialogSpec&) { return std::nullopt; }
    virtual std::optional<uint32_t> chooseColour(uint32_t) { return std::nullopt; }
    virtual std::optional<PromptFont> chooseFont(const PromptFont&) { return std::nullopt; }

    void information(const std::string& text, const std::string& title = {})
    {
        message(text, Icon::Information, title);
    }
};

} // namespace vs
