#include "core/command_line.h"

#include "common/dateformat.h"
#include "stick/config_read.h"
#include "stick/exchange.h"
#include "stick/report_io.h"
#include "stick/stick_link.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>

namespace vs {

namespace {

std::string field(const std::vector<std::string>& v, size_t i)
{
    return i < v.size() ? v[i] : std::string();
}

} // namespace

std::string commandLineText(const QStringList& arguments)
{
    QStringList parts;
    for (const QString& a : arguments) {
        if (!(a.contains(' ') || a.contains('\t')) || a.contains('"')) {
            parts << a;
            continue;
        }
        const qsizetype eq = a.indexOf('=');
        parts << (eq >= 0 ? a.left(eq + 1) + '"' + a.mid(eq + 1) + '"' : '"' + a + '"');
    }
    return parts.join(' ').toStdString();
}

std::string GetInfoStr(StickLink& link, int stick)
{
    std::string out;
    if (const StickRecord* s = link.slot(stick)) {
        for (const std::string& f : {s->Name, s->Firmware, s->Hardware, s->mcu, field(s->IdFields, 3),
                                     field(s->IdFields, 0), field(s->IdFields, 2)})
            out += f + "\t";
    }
    out += nym_ask(link, "FLAGGET?", stick) + "\t";
    out += nym_ask(link, "*TRG", stick) + "\t";
    return out;
}

int ParseCmd(CommandServices& c, const std::string& commandLine, bool verbose)
{
    if (commandLine.empty())
        return kNoAction;
    // Each switch is a whole argument, in any case; the dump file keeps its
    // name as given. A file name that happens to hold "/rst" or "/dfu" is
    // only a file name.
    const CommandSwitches sw = parseSwitches(commandLine);
    const std::string& dumpFile = sw.dumpFile;
    const bool reset = sw.reset;
    const bool dfu = sw.firmwareUpgrade;
    auto say = [&](const std::string& text) {
        if (verbose && c.print)
            c.print(text);
    };
    say("\f");

    int action = kNoAction;
    for (int i = 0; i < c.link.SlotsReserved; ++i) {
        if (!c.link.Nymstick_isOpen(i))
            continue;
        say(std::string(40, '=') + "\n");
        say("Device " + std::to_string(i) + ":\n");
        say(std::string(40, '=') + "\n");
        if (reset) {
            say("Resetting...\n");
            nym_ask(c.link, "*RST", i);
            if (StickRecord* s = c.link.slot(i))
                s->ConfiguredAt = c.clock.now().toDays();
            action = kReset;
        }
        if (!dumpFile.empty()) {
            action = kDump;
            // Switches run before the sticks are configured; a dump line without
            // the stick's identity would say nothing, so it is read first.
            if (const StickRecord* s = c.link.slot(i); s && s->IdnReply.empty())
                Nymstick_GetConfig(c.link, i);
            say("Dumping data to " + dumpFile + "...\n");
            const LocalDateTime now = c.clock.now();
            const std::string text =
                formatDateTime(now, "YYMMDD") + "\t" + formatDateTime(now, "HHmmss") + "\t" + GetInfoStr(c.link, i) + "\r\n";
            std::ofstream out(dumpFile, std::ios::app | std::ios::binary);
            if (out)
                out << text;
            if (!out && c.complain)
                c.complain("Could not write the dump file " + dumpFile + ": " + std::strerror(errno));
        }
        if (dfu) {
            say("Entering DFU mode...\n");
            action = kFirmwareUpgrade;
            if (Nymstick_EnterDFU(c.link, i))
                say("Device is now entering DFU mode.\nUnplug or reset the USB device to restart it.\n");
            else
                say("Failed to enter DFU mode: Error=" + c.link.StickErrorText + "\n");
        }
    }
    if (dfu && c.wait)
        c.wait(5000);
    return action;
}

} // namespace vs
