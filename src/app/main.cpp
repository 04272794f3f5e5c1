#include "common/version.h"
#include "service/flash_command.h"
#include "service/headless.h"
#include "service/history_command.h"
#include "window/run_window.h"

#include <cstdlib>
#include <iostream>
#include <string>

namespace {

constexpr const char* kUsage =
    "Usage: ventiscope [switches]\n"
    "       ventiscope --headless\n"
    "       ventiscope --download-flash=FILE [--end=HH:MM]\n"
    "       ventiscope --export-history [--from=ISO] [--to=ISO] [--stick=SERIAL] [--format=csv|tsv]\n"
    "       ventiscope --import-log=FILE [--stick=SERIAL]\n"
    "\n"
    "Shows the air quality sensor sticks' readings as a live trend plot.\n"
    "\n"
    "  --headless            run as a service without a window: sample the sticks,\n"
    "                        log, serve the network link and the metrics; status\n"
    "                        lines go to standard output; ends on SIGTERM\n"
    "  --download-flash=FILE download the latest recording of the one connected\n"
    "                        stick into FILE (the value log's format) without a\n"
    "                        display; exit code 0 only when every value was read\n"
    "  --end=HH:MM           with --download-flash: when the recording ended\n"
    "                        (now by default; a later time means yesterday)\n"
    "  --export-history      write the history to standard output: CSV (ISO 8601\n"
    "                        times) or the value log's format; --from and --to\n"
    "                        limit the time, --stick chooses one stick\n"
    "  --import-log=FILE     read a value log into the history (lines already\n"
    "                        there are skipped); --stick names its one stick\n"
    "  --help                show this text and end\n"
    "  --version             show the version and end\n"
    "  /rst                  reset every stick and end\n"
    "  /dump=FILE            write every stick's description to FILE and end\n"
    "  /dfu                  put every stick into firmware-upgrade mode and end\n"
    "\n"
    "VENTISCOPE_SIMULATE=5,1/33 finds simulated sticks instead of USB ones.\n";

int usageError(const std::string& why)
{
    std::cerr << "ventiscope: " << why << "\n" << kUsage;
    return 2;
}

bool startsWith(const std::string& s, const std::string& prefix)
{
    return s.rfind(prefix, 0) == 0;
}

// A window needs a display: X11, Wayland, or a platform chosen by hand
// (such as the offscreen one).
bool displayAvailable()
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

} // namespace

// Chooses the face: the headless service, the command-line download or the window.
int main(int argc, char** argv)
{
    // These are whole arguments: "/dump=--help.txt" is a file name.
    bool headless = false;
    std::string flashFile, endTime;
    bool endGiven = false;
    int options = 0;
    bool exportHistory = false;
    vs::HistoryExportArgs exportArgs;
    std::string importFile;
    bool stickGiven = false, historyOptionGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            std::cout << kUsage;
            return 0;
        }
        if (arg == "--version") {
            std::cout << vs::kProgramVersion << std::endl;
            return 0;
        }
        if (!startsWith(arg, "--"))
            continue; // the window's "/" switches
        ++options;
        if (arg == "--headless")
            headless = true;
        else if (startsWith(arg, "--download-flash="))
            flashFile = arg.substr(17);
        else if (startsWith(arg, "--end=")) {
            endTime = arg.substr(6);
            endGiven = true;
        } else if (arg == "--export-history")
            exportHistory = true;
        else if (startsWith(arg, "--import-log="))
            importFile = arg.substr(13);
        else if (startsWith(arg, "--stick=")) {
            exportArgs.stick = arg.substr(8);
            stickGiven = true;
        } else if (startsWith(arg, "--from=")) {
            exportArgs.from = arg.substr(7);
            historyOptionGiven = true;
        } else if (startsWith(arg, "--to=")) {
            exportArgs.to = arg.substr(5);
            historyOptionGiven = true;
        } else if (startsWith(arg, "--format=")) {
            exportArgs.format = arg.substr(9);
            historyOptionGiven = true;
        } else
            return usageError("unknown option " + arg);
    }
    if (exportHistory || !importFile.empty()) {
        if (exportHistory && !importFile.empty())
            return usageError("--export-history and --import-log are two runs");
        if (!importFile.empty() && historyOptionGiven)
            return usageError("--from, --to and --format belong to --export-history");
        if (options != argc - 1 || headless || !flashFile.empty() || endGiven)
            return usageError("the history options take no other switches");
        return exportHistory ? vs::runHistoryExport(argc, argv, exportArgs)
                             : vs::runLogImport(argc, argv, importFile, exportArgs.stick);
    }
    if (stickGiven || historyOptionGiven)
        return usageError("--stick, --from, --to and --format belong to --export-history or --import-log");
    if (headless && argc > 2)
        return usageError("--headless takes no further arguments");
    if (endGiven && flashFile.empty())
        return usageError("--end belongs to --download-flash");
    if (!flashFile.empty()) {
        if (options != argc - 1)
            return usageError("--download-flash takes no switches");
        return vs::runFlashDownload(argc, argv, flashFile, endTime);
    }
    if (headless)
        return vs::runService(argc, argv);
    if (!displayAvailable()) {
        std::cerr << "ventiscope: no display found (DISPLAY and WAYLAND_DISPLAY are not set); "
                     "ventiscope --headless runs without one.\n";
        return 1;
    }
    return vs::runWindow(argc, argv);
}
