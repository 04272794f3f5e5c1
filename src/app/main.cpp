#include "common/version.h"
#include "service/headless.h"
#include "window/run_window.h"

#include <iostream>
#include <string>

namespace {

constexpr const char* kUsage =
    "Usage: ventiscope [switches]\n"
    "       ventiscope --headless\n"
    "\n"
    "Shows the air quality sensor sticks' readings as a live trend plot.\n"
    "\n"
    "  --headless   run as a service without a window: sample the sticks, log,\n"
    "               serve the network link and the metrics; status lines go to\n"
    "               standard output; ends on SIGTERM\n"
    "  --help       show this text and end\n"
    "  --version    show the version and end\n"
    "  /rst         reset every stick and end\n"
    "  /dump=FILE   write every stick's description to FILE and end\n"
    "  /dfu         put every stick into firmware-upgrade mode and end\n"
    "\n"
    "VENTISCOPE_SIMULATE=5,1/33 finds simulated sticks instead of USB ones.\n";

} // namespace

// Chooses the face: the headless service or the window.
int main(int argc, char** argv)
{
    // These are whole arguments: "/dump=--help.txt" is a file name.
    bool headless = false;
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
        headless = headless || arg == "--headless";
    }
    if (headless && argc > 2) {
        std::cerr << "ventiscope: --headless takes no further arguments\n" << kUsage;
        return 2;
    }
    return headless ? vs::runService(argc, argv) : vs::runWindow(argc, argv);
}
