#pragma once
#include "net/net_host.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <string>

namespace vs {

class StickLink;

// The line-oriented text protocol both ends of a network link speak: every
// line that arrives is a command, answered by reply lines (CR LF) and then a
// numbered prompt. The reply to "ls" is itself a script of "add" lines and a
// final "updateplot", which the asking side runs through this same
// interpreter, so that the remote sticks join its table as "NW" sticks.
//
// The peer may be anyone on the network: a line longer than kMaxLine is
// dropped whole (up to and including its line feed), as is text beyond
// kMaxLine while the first prompt is awaited; "add" makes at most
// kMaxNetworkSticks open sticks with at most kMaxChannels channels each and
// never more than kMaxCurves curves in the plot in all; an "add" for a
// stick the same peer added before takes that stick's slot again. Lines are
// run in slices of at most `sliceMs`, so that a flood never holds the
// program.
class NetInterpreter {
public:
    static constexpr size_t kMaxLine = 64 * 1024;
    static constexpr int kMaxNetworkSticks = 64;
    static constexpr int kMaxChannels = 64;
    static constexpr int kMaxCurves = 256;
    // A peer's "m" lines shown a second; the rest are counted and said once.
    static constexpr int kMessagesPerSecond = 10;

    // `versionLine` is the whole version line without its CR LF.
    NetInterpreter(StickLink& link, NetHost& host, std::string versionLine);

    // Appends received text and runs the line loop over it for one slice.
    // True when whole lines are left for a later slice.
    bool receive(const std::string& text);
    size_t pending() const { return nw_RxBuf.size(); }
    int sliceMs = 10;
    // True once a peer sent more than kMaxLine while its first prompt was awaited.
    bool promptOverflow() const { return promptOverflow_; }
    // The connection ended: its network sticks close (they stop counting
    // against the bounds). Returns how many were open.
    int closeNetworkSticks();
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

    // Says how many of a peer's messages were not shown, if any.
    void sayUnshownMessages();

private:
    // A peer's messages in the current second, and those not shown.
    std::chrono::steady_clock::time_point messageSecond_{};
    int messagesThisSecond_ = 0;
    long unshownMessages_ = 0;
    std::string unshownFrom_;
    bool messageShown();
    bool lineLoop();
    int curvesBesides(int slot) const;
    int openNetworkSticks() const;
    void addStick(const std::string& line);
    std::string identifier(const std::string& bracket) const;

    StickLink& link_;
    NetHost& host_;
    std::string versionLine_;
    bool nw_Parsing = false;
    uint32_t clears_ = 0;
    // The rest of an over-long line is dropped up to its line feed.
    bool droppingLine_ = false;
    bool promptOverflow_ = false;
    // The slots of the sticks a peer (host and bracket text) added.
    std::map<std::string, int16_t> peerSlots_;
};

} // namespace vs
