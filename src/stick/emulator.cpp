#include "stick/emulator.h"

#include "common/numformat.h"
#include "stick/exchange.h"

#include <cmath>

namespace vs {

std::string Nymstick_Emulate(StickLink& link, const std::string& command, int stick)
{
    std::string reply = "@" + nym_next_tag(link) + ";";
    if (command == "*IDN?") {
        reply += "Nym Stick emulator " + std::to_string(stick) +
                 ";A;1.0 $Revision: 000 $;https://ventiscope.example/emulator;MCU=EMU;Random values;"
                 "S/N:0123456789ABCDEF0123;;\\x0A";
    } else if (command == "WFMPRE?") {
        reply += "&h02;0;RND() level;ppm;1;0;5000;0;0;&h02;1;Debug;i16;1;0;65535;0;0;&h01;2;PWM;ui16;1;0;255;0;0;"
                 "&h03;3;Rh;ohm;0.01;0;200;0;0;&h03;4;Rs;ohm;1;0;200000;0;0;\\x0A";
    } else if (command == "KNOBPRE?") {
        reply += "RND() level_warn1;ppm;1;0;5000;0;&h03E8;RND() level_warn2;ppm;1;0;5000;0;&h05DC;"
                 "Reg_Set;;1;0;200;0;&h0093;;\\x0A";
    } else if (command == "FLAGS?") {
        reply += "WARMUP;BURN-IN;RESET BASELINE;CALIBRATE HEATER;\\x0A";
    } else if (command == "FLAGGET?") {
        reply += "&h0000;&h0000;&h0000;&h0000;;\\x0A";
    } else if (command == "*TRG") {
        const StickRecord* s = link.slot(stick);
        const int channels = s ? s->nChannels : 0;
        const double t = link.clock().now().secondsSinceMidnight();
        const double wave = (std::sin(t * 6.28 / 50) + 1) / 2;
        for (int i = 0; i < channels; ++i)
            reply += formatNumber((link.random() / 10 + wave) * 1500, "###0") + ";";
        reply += ";\\x0A";
    }
    return reply;
}

} // namespace vs
