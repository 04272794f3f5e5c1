#include "net/net_interpreter.h"

#include "net/net_text.h"
#include "stick/channel_state.h"
#include "stick/fields.h"
#include "stick/stick_link.h"

#include <cctype>
#include <chrono>
#include <cmath>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>
#include <utility>

namespace vs {

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kPlaceholder = "@@@@@@";

std::string lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool startsWith(const std::string& s, const char* prefix)
{
    return s.rfind(prefix, 0) == 0;
}

// The line as printable escaped text, with a decoder of its own.
std::string escapedLine(const std::string& line)
{
    EscapeDecoder decoder;
    return escapeBytes(decoder, reinterpret_cast<const uint8_t*>(line.data()), line.size());
}

// The largest value the plot's store can hold (value x 100 in 32 bits).
constexpr double kLargestValue = 21474836.47;

// "update" values: the whole field as a number the plot can hold, blanks and
// a trailing CR ignored; no value for anything else (NaN, infinity, 1e308,
// text), which leaves the channel as it was.
std::optional<double> wholeWireNumber(std::string field)
{
    while (!field.empty() && (field.back() == '\r' || field.back() == '\n'))
        field.pop_back();
    const auto v = strictReal(field);
    if (!v || !std::isfinite(*v) || std::fabs(*v) > kLargestValue)
        return std::nullopt;
    return v;
}

} // namespace

NetInterpreter::NetInterpreter(StickLink& link, NetHost& host, std::string versionLine)
    : link_(link), host_(host), versionLine_(std::move(versionLine))
{
}

void NetInterpreter::nw_Send(const std::string& text)
{
    if (host_.state() == 7)
        host_.send(text);
}

void NetInterpreter::SendPrompt()
{
    nw_PromptCount = nw_PromptCount >= 65535 ? 0 : nw_PromptCount + 1;
    char hex[16];
    std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(nw_PromptCount));
    nw_Send(std::string(hex) + ":Nym>");
}

void NetInterpreter::nw_SendVer()
{
    nw_Send(versionLine_ + kCrLf);
}

void NetInterpreter::sendGreeting()
{
    nw_SendVer();
    clearReceived();
    nw_Send(std::string("Ready") + kCrLf);
    SendPrompt();
}

std::string NetInterpreter::SyntaxHelp()
{
    static const char* const lines[][2] = {
        {"m <message>", "Print message"},
        {"ls", "Get list of all sensors"},
        {"add [USB:0]mcu|nChannels|CH0|.ChID|.Ylabel|.Yunit|.LastValue", "Add a sensor to the server"},
        {"updateplot", "Update server plot"},
        {"trg", "Get all sensor readings"},
        {"update [USB:0]nChannels|.LastValue|.LastValue|.LastValue...", "Update values for specified sensor"},
        {"bye", "Exit"},
        {"help", "This"},
    };
    std::string out;
    for (const auto& l : lines)
        out += std::string(l[0]) + "\t" + l[1] + kCrLf;
    return out + kCrLf;
}

bool NetInterpreter::receive(const std::string& text)
{
    nw_RxBuf += text;
    return lineLoop();
}

void NetInterpreter::clearReceived()
{
    nw_RxBuf.clear();
    ++clears_;
}

bool NetInterpreter::lineLoop()
{
    if (nw_Parsing)
        return false;
    nw_Parsing = true;
    const auto sliceEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(sliceMs);
    bool more = false;
    // Lines are taken from `at` on and the buffer is cut once at the end, so
    // that a burst of many lines costs no more than its length.
    size_t at = 0;
    for (;;) {
        const std::string_view rest = std::string_view(nw_RxBuf).substr(at);
        if (nw_WaitingPrompt) {
            if (rest.find("Nym>") != std::string_view::npos) {
                nw_WaitingPrompt = false;
            } else if (rest.size() >= kMaxLine) {
                // A peer that streams without ever prompting must not fill the memory.
                promptOverflow_ = true;
                at = nw_RxBuf.size();
            }
            break;
        }
        const size_t lf = rest.find('\n');
        if (droppingLine_) {
            // The tail of an over-long line is part of it: dropped, never run.
            at = lf == std::string_view::npos ? nw_RxBuf.size() : at + lf + 1;
            if (lf == std::string_view::npos)
                break;
            droppingLine_ = false;
            continue;
        }
        if (lf == std::string_view::npos) {
            // A whole line, its line feed included, holds at most kMaxLine bytes.
            if (rest.size() >= kMaxLine) {
                at = nw_RxBuf.size();
                droppingLine_ = true;
            }
            break;
        }
        if (lf < 2) { // fewer than two characters before the line feed
            at = nw_RxBuf.size();
            break;
        }
        if (rest[0] == '?') {
            at += lf + 1;
            continue;
        }
        // Only a prompt before the first line feed matters here.
        const size_t prompt = rest.substr(0, lf).find("Nym>");
        if (prompt != std::string_view::npos) {
            at += prompt + 4;
            continue;
        }
        if (lf >= kMaxLine) {
            at += lf + 1;
            continue;
        }
        nw_Line = std::string(rest.substr(0, lf));
        at += lf + 1;
        // The command may let the program run (a device change, a restart);
        // text arriving meanwhile is appended, and a restart empties the buffer.
        const uint32_t clears = clears_;
        ParseNetworkCommand(nw_Line);
        if (clears != clears_)
            at = 0;
        if (at >= nw_RxBuf.size())
            break;
        if (std::chrono::steady_clock::now() >= sliceEnd) {
            more = std::string_view(nw_RxBuf).substr(at).find('\n') != std::string_view::npos;
            break;
        }
    }
    nw_RxBuf.erase(0, std::min(at, nw_RxBuf.size()));
    nw_Parsing = false;
    return more;
}

bool NetInterpreter::messageShown()
{
    const auto now = std::chrono::steady_clock::now();
    if (now - messageSecond_ >= std::chrono::seconds(1)) {
        messageSecond_ = now;
        messagesThisSecond_ = 0;
        sayUnshownMessages();
    }
    if (messagesThisSecond_ < kMessagesPerSecond) {
        ++messagesThisSecond_;
        return true;
    }
    if (unshownMessages_++ == 0)
        unshownFrom_ = host_.remoteHost();
    return false;
}

void NetInterpreter::sayUnshownMessages()
{
    if (unshownMessages_ == 0)
        return;
    host_.print(std::to_string(unshownMessages_) + " more messages from " + unshownFrom_ + " were not shown (at most " +
                std::to_string(kMessagesPerSecond) + " a second are)\n");
    unshownMessages_ = 0;
}

void NetInterpreter::ParseNetworkCommand(const std::string& line)
{
    const std::string l = lower(line);
    if (startsWith(l, "m ")) {
        const std::string text = CleanString(line.substr(2));
        if (!text.empty()) {
            if (!messageShown())
                return;
            if (++nw_MsgCount > 10) {
                nw_MsgCount = 0;
                host_.print("\f");
            }
            // The peer's words, never to be taken for the program's own.
            host_.print("Message from " + host_.remoteHost() + ": " + text + "\n");
            host_.holdMessage(0);
        } else {
            host_.print("\f");
        }
    } else if (startsWith(l, "ls")) {
        for (int i = 0; i < link_.SlotsReserved; ++i) {
            const StickRecord* s = link_.slot(i);
            if (!link_.Nymstick_isOpen(i) || !s)
                continue;
            nw_Send("add [" + s->Interface + ":" + s->DevicePath + ":" + std::to_string(i) + "]" + USBstick_nw_info(i) +
                    kCrLf);
        }
        nw_Send(std::string("updateplot") + kCrLf);
    } else if (startsWith(l, "add ")) {
        addStick(line);
    } else if (startsWith(l, "updateplot")) {
        host_.deviceChanged();
    } else if (startsWith(l, "trg")) {
        nw_send_all();
    } else if (startsWith(l, "update ")) {
        nw_UpdateSTick(line.substr(7));
    } else if (startsWith(l, "bye")) {
        host_.restart();
    } else if (startsWith(l, "ver")) {
        nw_SendVer();
    } else if (startsWith(l, "help")) {
        nw_Send(SyntaxHelp() + kCrLf);
    } else {
        nw_Send("? unrecognized command '" + escapedLine(line) + "'" + kCrLf);
    }
    SendPrompt();
}

std::string NetInterpreter::USBstick_nw_info(int stick) const
{
    const StickRecord* s = link_.slot(stick);
    if (!s)
        return "";
    std::string out = s->mcu + "|" + std::to_string(s->nChannels) + "|";
    for (int k = 0; k < s->nChannels && k < static_cast<int>(s->Channels.size()); ++k) {
        const ChannelRecord& c = s->Channels[static_cast<size_t>(k)];
        if (k > 0)
            out += "|";
        out += c.ChID + "|" + c.Ylabel + "|" + c.Yunit + "|" + wireNumber(c.LastValue);
    }
    // The stick's serial number follows its channels, so that the other side
    // knows which stick it is; a peer that counts the channels passes it by.
    if (const std::string serial = stickSerial(*s); !serial.empty())
        out += "|S/N:" + serial;
    return out;
}

std::string NetInterpreter::USBstick_nw_values(int stick) const
{
    const StickRecord* s = link_.slot(stick);
    if (!s)
        return "";
    std::string out = std::to_string(s->nChannels) + "|";
    for (int k = 0; k < s->nChannels && k < static_cast<int>(s->Channels.size()); ++k) {
        if (k > 0)
            out += "|";
        out += wireNumber(s->Channels[static_cast<size_t>(k)].LastValue);
    }
    return out;
}

void NetInterpreter::nw_send_all()
{
    if (host_.networkMode() == 0 || host_.state() != 7)
        return;
    for (int i = 0; i < link_.SlotsReserved; ++i) {
        const StickRecord* s = link_.slot(i);
        if (!link_.Nymstick_isOpen(i) || !s)
            continue;
        nw_Send("update [" + s->Interface + ":" + s->DevicePath + ":" + std::to_string(i) + "]" +
                USBstick_nw_values(i) + kCrLf);
    }
}

std::string NetInterpreter::identifier(const std::string& bracket) const
{
    return host_.remoteHost() + ":" + host_.remotePort() + ":" + bracket;
}

int NetInterpreter::curvesBesides(int slot) const
{
    int curves = 0;
    for (int i = 0; i < link_.SlotsReserved; ++i)
        if (i != slot && link_.Nymstick_isOpen(i))
            curves += std::max<int>(link_.slot(i)->nChannels, 0);
    return curves;
}

int NetInterpreter::openNetworkSticks() const
{
    int open = 0;
    for (int i = 0; i < link_.SlotsReserved; ++i)
        open += link_.Nymstick_isOpen(i) && link_.slot(i)->Interface == "NW" ? 1 : 0;
    return open;
}

int NetInterpreter::closeNetworkSticks()
{
    int closed = 0;
    for (int i = 0; i < link_.SlotsReserved; ++i) {
        StickRecord* s = link_.slot(i);
        if (s->Interface == "NW" && link_.Nymstick_isOpen(i)) {
            s->HIDHandle = s->ReadHandle = 0;
            ++closed;
        }
    }
    return closed;
}

void NetInterpreter::addStick(const std::string& line)
{
    const std::string bracket = GetBracket_first(line);
    const std::string id = identifier(bracket);
    const size_t close = line.find(']');
    const auto fields = splitBars(close == std::string::npos ? std::string() : line.substr(close + 1));
    const double count = std::trunc(leadingWireNumber(fields.size() > 1 ? fields[1] : std::string()));
    if (count > kMaxChannels || count < 0) {
        nw_Send("? too many channels (at most " + std::to_string(kMaxChannels) + ")" + kCrLf);
        return;
    }
    // The same remote stick listed again (another "ls", a reconnection from
    // another port) takes its slot again instead of a new one.
    const std::string peerKey = host_.remoteHost() + "\n" + bracket;
    int16_t index = link_.Nymstick_FindSlot(id);
    if (const auto known = peerSlots_.find(peerKey); index < 0 && known != peerSlots_.end()) {
        const StickRecord* s = link_.slot(known->second);
        if (s && s->Interface == "NW" && !link_.Nymstick_isOpen(known->second))
            index = known->second;
    }
    if (index < 0 && openNetworkSticks() >= kMaxNetworkSticks) {
        nw_Send("? too many network sensors (at most " + std::to_string(kMaxNetworkSticks) + ")" + kCrLf);
        return;
    }
    if (curvesBesides(index) + static_cast<int>(count) > kMaxCurves) {
        nw_Send("? too many curves (the plot holds at most " + std::to_string(kMaxCurves) + ")" + kCrLf);
        host_.print("Network: a sensor of " + std::to_string(static_cast<int>(count)) + " channels from " +
                    host_.remoteHost() + " was refused: the plot holds at most " + std::to_string(kMaxCurves) +
                    " curves\n");
        return;
    }
    if (index < 0)
        index = link_.Nymstick_AddSlot(kPlaceholder);
    StickRecord* s = link_.slot(index);
    if (!s)
        return;
    peerSlots_[peerKey] = index;
    s->Interface = "NW";
    s->DevicePath = id;
    s->HIDHandle = 1;
    s->ReadHandle = 1;
    s->InputReportLength = s->OutputReportLength = s->FeatureReportLength = 0;
    s->Name = host_.remoteHost();
    auto field = [&](size_t i) { return i < fields.size() ? fields[i] : std::string(); };
    s->mcu = field(0);
    s->nChannels = static_cast<int16_t>(count);
    s->Channels.assign(static_cast<size_t>(s->nChannels), ChannelRecord{});
    const std::string serial = field(2 + 4 * s->Channels.size());
    s->IdFields.clear();
    if (serial.rfind("S/N:", 0) == 0)
        s->IdFields = {"", "", "", serial.substr(0, serial.find_last_not_of("\r\n") + 1)};
    for (size_t k = 0; k < s->Channels.size(); ++k) {
        ChannelRecord& c = s->Channels[k];
        c.ChID = field(2 + 4 * k);
        c.Ylabel = field(3 + 4 * k);
        c.Yunit = field(4 + 4 * k);
        const double v = leadingWireNumber(field(5 + 4 * k));
        c.LastValue = std::isfinite(v) && std::fabs(v) <= kLargestValue ? v : 0;
        c.HasValue = std::isfinite(v) && std::fabs(v) <= kLargestValue;
    }
}

void NetInterpreter::nw_UpdateSTick(const std::string& argument)
{
    const int16_t index = link_.Nymstick_FindSlot(identifier(GetBracket_first(argument)));
    StickRecord* s = link_.slot(index);
    if (!s)
        return;
    const size_t close = argument.find(']');
    const auto fields = splitBars(close == std::string::npos ? std::string() : argument.substr(close + 1));
    for (size_t k = 0; k + 1 < fields.size() && k < static_cast<size_t>(std::max<int16_t>(s->nChannels, 0)) &&
                       k < s->Channels.size();
         ++k)
        if (const auto v = wholeWireNumber(fields[k + 1])) {
            s->Channels[k].LastValue = *v;
            s->Channels[k].HasValue = true;
        }
    s->LastReadTime = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

} // namespace vs
