#pragma once
// Prompts answered from a script; every shown text is recorded.
#include "common/prompts.h"

#include <deque>
#include <string>
#include <vector>

namespace vstest {

class ScriptPrompts final : public vs::Prompts {
public:
    std::vector<std::string> shown;
    std::vector<Icon> icons;
    std::deque<bool> answers;                       // askYesNo
    std::deque<std::optional<std::string>> files;   // saveFile
    std::deque<std::optional<std::string>> inputs;  // inputText
    std::vector<vs::FileDialogSpec> dialogs;
    std::deque<std::optional<std::string>> openFiles; // openFile
    std::deque<std::optional<uint32_t>> colours;     // chooseColour
    std::deque<std::optional<vs::PromptFont>> fonts; // chooseFont

    template <class T>
    static std::optional<T> next(std::deque<std::optional<T>>& q)
    {
        if (q.empty())
            return std::nullopt;
        auto v = q.front();
        q.pop_front();
        return v;
    }
    std::optional<std::string> openFile(const vs::FileDialogSpec& spec) override
    {
        dialogs.push_back(spec);
        return next(openFiles);
    }
    std::optional<uint32_t> chooseColour(uint32_t) override { return next(colours); }
    std::optional<vs::PromptFont> chooseFont(const vs::PromptFont&) override { return next(fonts); }

    void message(const std::string& text, Icon icon, const std::string&) override
    {
        shown.push_back(text);
        icons.push_back(icon);
    }
    bool askYesNo(const std::string& text, Icon icon, const std::string&) override
    {
        shown.push_back(text);
        icons.push_back(icon);
        if (answers.empty())
            return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<std::string> saveFile(const vs::FileDialogSpec& spec) override
    {
        dialogs.push_back(spec);
        if (files.empty())
            return std::nullopt;
        auto f = files.front();
        files.pop_front();
        return f;
    }
    std::optional<std::string> inputText(const std::string& prompt, const std::string&, const std::string&) override
    {
        shown.push_back(prompt);
        if (inputs.empty())
            return std::nullopt;
        auto i = inputs.front();
        inputs.pop_front();
        return i;
    }
};

} // namespace vstest
