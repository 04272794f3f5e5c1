#include "service/service_prompts.h"

namespace vs {

namespace {
// One status line per message: its line ends become spaces.
std::string oneLine(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\r')
            continue;
        out += c == '\n' ? ' ' : c;
    }
    return out;
}
} // namespace

void ServicePrompts::message(const std::string& text, Icon, const std::string&)
{
    line_(oneLine(text));
}

bool ServicePrompts::askYesNo(const std::string& text, Icon, const std::string&)
{
    line_(oneLine(text) + " (answered no)");
    return false;
}

std::optional<std::string> ServicePrompts::saveFile(const FileDialogSpec& spec)
{
    line_(spec.title + ": no file can be chosen in a service");
    return std::nullopt;
}

std::optional<std::string> ServicePrompts::inputText(const std::string& prompt, const std::string&,
                                                     const std::string&)
{
    line_(oneLine(prompt) + " (cancelled)");
    return std::nullopt;
}

} // namespace vs
