#pragma once
#include <string>
#include <vector>

namespace vs {

// The file name right after the first `key` in `text`: up to the next blank,
// or between double quotes when it starts with one; "" without the key.
std::string GetFileNameFromStr(const std::string& text, const std::string& key);

// The command line cut into arguments at blanks and tabs outside double
// quotes; the quotes stay in the argument.
std::vector<std::string> splitCommandLine(const std::string& text);

struct CommandSwitches {
    bool reset = false;           // an argument "/rst"
    bool firmwareUpgrade = false; // an argument "/dfu"
    std::string dumpFile;         // the name after the last "/dump=" argument
};

// Each switch is a whole argument, matched in any case; the dump file keeps
// its name as given (file names are case-sensitive here), without quotes.
CommandSwitches parseSwitches(const std::string& commandLine);

} // namespace vs
