#include "common/command_switches.h"

#include <cctype>

namespace vs {

namespace {

std::string lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

std::string GetFileNameFromStr(const std::string& text, const std::string& key)
{
    const size_t at = text.find(key);
    if (at == std::string::npos)
        return "";
    size_t start = at + key.size();
    if (start < text.size() && text[start] == '"') {
        ++start;
        const size_t end = text.find('"', start);
        return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }
    const size_t end = text.find(' ', start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::vector<std::string> splitCommandLine(const std::string& text)
{
    std::vector<std::string> out;
    std::string current;
    bool quoted = false, inArgument = false;
    for (char c : text) {
        if (c == '"')
            quoted = !quoted;
        if (!quoted && (c == ' ' || c == '\t')) {
            if (inArgument)
                out.push_back(current);
            current.clear();
            inArgument = false;
            continue;
        }
        current += c;
        inArgument = true;
    }
    if (inArgument)
        out.push_back(current);
    return out;
}

CommandSwitches parseSwitches(const std::string& commandLine)
{
    CommandSwitches sw;
    for (const std::string& argument : splitCommandLine(commandLine)) {
        const std::string word = lower(argument);
        if (word == "/rst")
            sw.reset = true;
        else if (word == "/dfu")
            sw.firmwareUpgrade = true;
        else if (word.rfind("/dump=", 0) == 0)
            sw.dumpFile = GetFileNameFromStr(argument, argument.substr(0, 6));
    }
    return sw;
}

} // namespace vs
