// The command-line switches: a file name must never turn into a switch.
#include "common/command_switches.h"

#include <cctype>
#include <cstdlib>
#include <string>

namespace {

std::string lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const vs::CommandSwitches sw = vs::parseSwitches(text);
    bool reset = false, dfu = false;
    for (const std::string& argument : vs::splitCommandLine(text)) {
        if (argument.empty())
            std::abort();
        reset = reset || lower(argument) == "/rst";
        dfu = dfu || lower(argument) == "/dfu";
    }
    if (sw.reset != reset || sw.firmwareUpgrade != dfu)
        std::abort();
    // The dump file name is part of the text as given.
    if (!sw.dumpFile.empty() && text.find(sw.dumpFile) == std::string::npos)
        std::abort();
    vs::GetFileNameFromStr(text, "/dump=");
    return 0;
}
