#pragma once
#include "common/clock.h"
#include "common/command_switches.h"
#include "common/wait.h"

#include <QStringList>

#include <functional>
#include <string>

namespace vs {

class StickLink;

// The command line as one text, each argument separated by a blank. An
// argument the shell unquoted that holds a blank gets its quotes back, so
// that "/dump=a b.txt" stays one file name.
std::string commandLineText(const QStringList& arguments);

// The stick's dump line fields, each followed by a TAB: name, firmware,
// hardware, processor, serial number, web address, plot title, then the
// stick's replies to "FLAGGET?" and "*TRG" asked now.
std::string GetInfoStr(StickLink& link, int stick);

enum CommandAction { kNoAction = 0, kReset = 1, kDump = 2, kFirmwareUpgrade = 3 };

struct CommandServices {
    StickLink& link;
    const Clock& clock;
    WaitFn wait;                                        // the 5 s responsive wait after "/dfu"
    std::function<void(const std::string&)> print;      // status lines over the plot (verbose)
    std::function<void(const std::string&)> complain;   // problems the user should know of
};

// Runs the switches "/rst", "/dump=" file and "/dfu" (whole arguments, in any case) on
// every open stick; returns the action of the last switch that acted.
int ParseCmd(CommandServices& services, const std::string& commandLine, bool verbose);

} // namespace vs
