#pragma once
#include "net/net_host.h"

#include <cstdint>
#include <string>

namespace vs {

class StickLink;

// The line-oriented text protocol both ends of a network link speak: every
// line that arrives is a command, answered by reply lines (CR LF) and then a
// numbered prompt. The reply to "ls" is itself a script of "add" lines and a
// final "updateplot", which the asking side runs through this same
// interpreter, so that the remote sticks join its table as "NW" sticks.
//
// The peer may be anyone on the network: a line longer than kMaxLine without
// a line feed is dropped, "add" makes at most kMaxNetworkSticks sticks with
// at most kMaxChannels channels each, and an "add" for a stick already in the
// table refreshes that stick.
class NetInterpreter {
public:
    static constexpr size_t kMaxLine = 64 * 1024;
    static constexpr int kMaxNetworkSticks = 64;
    static constexpr int kMaxChannels = 64;

    // `versionLine` is the whole version line without its CR LF.
    NetInterpreter(StickLink& link, NetHost& host, std::string versionLine);

    // Appends received text and runs the line loop over it.
    void receive(const std::string& text);
    void ParseNetworkCommand(const std::string& line);
    void SendPrompt();
    void nw_SendVer();
    static std::string SyntaxHelp();
    std::string USBstick_nw_info(int stick) const;
    std::string USBstick_nw_values(int stick) const;
    void nw_send_all();
    void nw_UpdateSTick(const std::string& argument);
    // Sends only while connected.
    void nw_Send(const std::string& text);

    std::string nw_RxBuf;
    std::string nw_Line;
    bool nw_WaitingPrompt = false;
    int32_t nw_PromptCount = 0;
    int16_t nw_MsgCount = 0;
    // The greeting a server sends to a new client.
    void sendGreeting();
    // Empties the received text (the greeting and first prompt a client skips).
    void clearReceived();

private:
    void lineLoop();
    void addStick(const std::string& line);
    std::string identifier(const std::string& bracket) const;

    StickLink& link_;
    NetHost& host_;
    std::string versionLine_;
    bool nw_Parsing = false;
    uint32_t clears_ = 0;
};

} // namespace vs
