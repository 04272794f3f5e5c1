#include "core/program_arguments.h"

#include <map>

namespace vs {

const char* const kUsage =
    "Usage: ventiscope [--config=FILE] [switches]\n"
    "       ventiscope --headless [--config=FILE]\n"
    "       ventiscope --download-flash=FILE [--end=HH:MM]\n"
    "       ventiscope --export-history [--from=ISO] [--to=ISO] [--stick=SERIAL] [--format=csv|tsv]\n"
    "                  [--resolution=raw|minute|hour|day] [--summary=day] [--utc]\n"
    "       ventiscope --import-log=FILE [--stick=SERIAL]\n"
    "       ventiscope --backup-history=FILE\n"
    "       ventiscope --forget-stick=SERIAL\n"
    "\n"
    "Shows the air quality sensor sticks' readings as a live trend plot.\n"
    "\n"
    "  --headless            run as a service without a window: sample the sticks,\n"
    "                        log, serve the network link and the metrics; status\n"
    "                        lines go to standard output; ends on SIGTERM\n"
    "  --config=FILE         read the settings from FILE instead of the user's\n"
    "                        ~/.config/Ventiscope/Ventiscope.ini\n"
    "  --download-flash=FILE download the latest recording of the one connected\n"
    "                        stick into FILE (the value log's format) without a\n"
    "                        display; exit code 0 only when every value was read\n"
    "  --end=HH:MM           with --download-flash: when the recording ended\n"
    "                        (now by default; a later time means yesterday)\n"
    "  --export-history      write the history to standard output: CSV (ISO 8601\n"
    "                        times with their offset) or the value log's format;\n"
    "                        --from and --to limit the time (a date alone as --to\n"
    "                        takes in that whole day; --to is otherwise the first\n"
    "                        moment left out), --stick chooses one stick\n"
    "  --resolution=LEVEL    every sample (raw), or per minute, hour or day the\n"
    "                        mean, least and greatest value; without it the finest\n"
    "                        level the history still keeps for the whole range\n"
    "  --summary=day         per day, week and the whole range: mean, least,\n"
    "                        greatest value and the hours at or above each of the\n"
    "                        stick's warning levels\n"
    "  --utc                 times in UTC rather than local time\n"
    "  --import-log=FILE     read a value log into the history (lines already\n"
    "                        there are skipped); --stick names its one stick;\n"
    "                        works while a copy runs\n"
    "  --backup-history=FILE copy the history whole into FILE, also while a copy\n"
    "                        writes it\n"
    "  --forget-stick=SERIAL remove a stick's entities from Home Assistant (its\n"
    "                        retained discovery configs on the MQTT broker)\n"
    "  --help                show this text and end\n"
    "  --version             show the version and end\n"
    "  /rst                  reset every stick and end\n"
    "  /dump=FILE            write every stick's description to FILE and end\n"
    "  /dfu                  put every stick into firmware-upgrade mode and end\n"
    "\n"
    "VENTISCOPE_SIMULATE=5,1/33 finds simulated sticks instead of USB ones.\n";

namespace {

bool startsWith(const std::string& s, const std::string& prefix)
{
    return s.rfind(prefix, 0) == 0;
}

} // namespace

ProgramArguments parseArguments(const std::vector<std::string>& arguments)
{
    using Mode = ProgramArguments::Mode;
    ProgramArguments a;
    std::map<std::string, int> given; // how often each option came
    std::vector<Mode> modes;
    const auto fail = [&a](const std::string& why) {
        if (a.error.empty())
            a.error = why;
        return a;
    };
    for (const std::string& arg : arguments) {
        if (arg == "--help" || arg == "--version")
            return ProgramArguments{arg == "--help" ? Mode::Help : Mode::Version, {}, {}, {}, {}, {}, {}, {}, {}};
        if (!startsWith(arg, "--"))
            continue; // the window's "/" switches
        const size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        const std::string value = eq == std::string::npos ? std::string() : arg.substr(eq + 1);
        if (++given[name] > 1)
            return fail(name + " is given twice");
        if (arg == "--headless")
            modes.push_back(Mode::Headless);
        else if (arg == "--export-history")
            modes.push_back(Mode::ExportHistory);
        else if (name == "--download-flash" && eq != std::string::npos)
            modes.push_back(Mode::DownloadFlash), a.flashFile = value;
        else if (name == "--import-log" && eq != std::string::npos)
            modes.push_back(Mode::ImportLog), a.importFile = value;
        else if (name == "--backup-history" && eq != std::string::npos)
            modes.push_back(Mode::BackupHistory), a.backupFile = value;
        else if (name == "--forget-stick" && eq != std::string::npos)
            modes.push_back(Mode::ForgetStick), a.forgetSerial = value;
        else if (name == "--config" && eq != std::string::npos)
            a.config = value;
        else if (name == "--end" && eq != std::string::npos)
            a.endTime = value;
        else if (name == "--stick" && eq != std::string::npos)
            a.history.stick = value;
        else if (name == "--from" && eq != std::string::npos)
            a.history.from = value;
        else if (name == "--to" && eq != std::string::npos)
            a.history.to = value;
        else if (name == "--format" && eq != std::string::npos)
            a.history.format = value;
        else if (name == "--resolution" && eq != std::string::npos)
            a.history.resolution = value;
        else if (arg == "--summary=day")
            a.history.summary = true;
        else if (arg == "--utc")
            a.history.utc = true;
        else
            return fail("unknown option " + arg);
    }
    if (modes.size() > 1)
        return fail("--headless, --download-flash, --export-history, --import-log, --backup-history and "
                    "--forget-stick are runs of their own: give one");
    a.mode = modes.empty() ? Mode::Window : modes.front();
    const auto has = [&given](const char* name) { return given.count(name) > 0; };
    const bool exportOptions = has("--from") || has("--to") || has("--format") || has("--resolution") ||
                               has("--summary") || has("--utc");
    if (has("--end") && a.mode != Mode::DownloadFlash)
        return fail("--end belongs to --download-flash");
    if (exportOptions && a.mode != Mode::ExportHistory)
        return fail("--from, --to, --format, --resolution, --summary and --utc belong to --export-history");
    if (has("--stick") && a.mode != Mode::ExportHistory && a.mode != Mode::ImportLog)
        return fail("--stick belongs to --export-history or --import-log");
    if (a.mode == Mode::ExportHistory && a.history.format != "csv" && a.history.format != "tsv")
        return fail("--format is csv or tsv, not " + a.history.format);
    if (!a.history.resolution.empty() && a.history.resolution != "raw" && a.history.resolution != "minute" &&
        a.history.resolution != "hour" && a.history.resolution != "day")
        return fail("--resolution is raw, minute, hour or day, not " + a.history.resolution);
    if (a.history.summary && (!a.history.resolution.empty() || a.history.format == "tsv"))
        return fail("--summary=day writes CSV of its own: no --resolution or --format=tsv with it");
    // The window and the service take their switches; the other runs none.
    if (a.mode != Mode::Window) {
        size_t options = 0;
        for (const std::string& arg : arguments)
            options += startsWith(arg, "--") ? 1 : 0;
        if (options != arguments.size())
            return fail("only the window takes the \"/\" switches");
    }
    return a;
}

} // namespace vs
