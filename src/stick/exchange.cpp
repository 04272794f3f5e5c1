#include "stick/exchange.h"

#include "common/flag_guard.h"
#include "common/numformat.h"
#include "stick/emulator.h"
#include "stick/fields.h"
#include "stick/report_io.h"

#include <algorithm>
#include <cctype>

namespace vs {

namespace {

constexpr const char* kTerminator = ";\\x0A";
constexpr int kTextReadFailures = 6;
constexpr int kTextMismatches = 4;
constexpr int kBinaryFailures = 4;
// Reports of earlier replies passed over while waiting for the start of a
// binary reply, at most.
constexpr int kMaxSkippedReports = 64;
// Whole replies with other tags passed over in one attempt, at most.
constexpr int kMaxStaleReplies = 8;
// A reply that never ends is given up like a lost one: by its escaped size,
// by the number of input reports it took (reports whose bytes escape to
// nothing never grow the text) and by time.
constexpr size_t kMaxReplyChars = 1 << 20;
constexpr int kMaxReplyReports = 4096;
constexpr double kMaxReplyMs = 5000;
// While queued reports are taken one after another no wait runs; the window's
// events get their turn at least this often.
constexpr double kEventTurnMs = 50;

std::string upper(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}


int pollDelay(StickLink& link, int stick)
{
    const StickRecord* s = link.slot(stick);
    return s ? s->PollDelayMs : 0;
}

// Reads and discards reports until a read fails, keeping the window alive
// between reads. Discarded reports still pass the escaper, so they reach the
// trace buffer. The read's error text is not left behind.
void drainInput(StickLink& link, int stick, int sleepMs)
{
    const std::string keep = link.StickErrorText;
    // A stick that never stops sending must not hold the program here.
    for (int guard = 0; guard < 4096; ++guard) {
        if (Nymstick_ReadReport(link, stick) <= 0)
            break;
        if (const StickRecord* s = link.slot(stick))
            nym_escape_report(link, s->InputReport.data(), s->InputReportLength, 2);
        link.wait(sleepMs);
    }
    link.StickErrorText = keep;
}

// Reads the next input report. One that is already queued is taken at once;
// otherwise the stick gets its poll delay to send it before the read counts
// as failed, looked for every millisecond so that a report is taken
// soon after it came.
int readReportPaced(StickLink& link, int stick)
{
    constexpr int kLookMs = 1;
    if (Nymstick_ReadReport(link, stick) > 0)
        return 1;
    const int poll = pollDelay(link, stick);
    for (int waited = 0; waited < poll;) {
        const int step = std::min(kLookMs, poll - waited);
        link.wait(step);
        waited += step;
        if (Nymstick_ReadReport(link, stick) > 0)
            return 1;
    }
    return poll > 0 ? 0 : Nymstick_ReadReport(link, stick);
}

// A whole reply that carries another command's tag: "@" + four hexadecimal digits + ";".
bool isStaleReply(const std::string& reply, const std::string& tag)
{
    if (reply.size() < 6 || reply[0] != '@' || reply[5] != ';' || reply.compare(1, 4, tag) == 0)
        return false;
    return std::all_of(reply.begin() + 1, reply.begin() + 5,
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'F'); });
}

void beepOnPendingRead(StickLink& link)
{
    if (link.TraceLevel >= 210 && link.StickErrorText.find("Overlapped I/O operation is in progress") != std::string::npos)
        link.beep(2000, 20);
}

} // namespace

std::string nym_next_tag(StickLink& link)
{
    link.TagCounter = link.TagCounter >= 65535 ? 0 : link.TagCounter + 1;
    static const char digits[] = "0123456789ABCDEF";
    std::string tag(4, '0');
    for (int i = 3, v = link.TagCounter; i >= 0; --i, v >>= 4)
        tag[static_cast<size_t>(i)] = digits[v & 15];
    link.CurrentTag = tag;
    return tag;
}

void TraceBuffer_Append(StickLink& link, const std::string& text)
{
    link.TraceBuffer += text;
    if (link.TraceBuffer.size() > 500)
        link.TraceBuffer.erase(0, link.TraceBuffer.size() - 501);
}

std::string HexDump(const uint8_t* bytes, size_t count)
{
    std::string out;
    out.reserve(count * 4 + 2);
    for (size_t i = 0; i < count; ++i) {
        out += hex2(bytes[i]);
        out += ' ';
    }
    for (size_t i = 0; i < count; ++i)
        out += (bytes[i] >= 33 && bytes[i] <= 126) ? static_cast<char>(bytes[i]) : '.';
    out += "\r\n";
    return out;
}

std::string nym_escape_report(StickLink& link, const uint8_t* report, int length, int first)
{
    if (!report || length <= 0)
        return {};
    const bool trace = link.TraceLevel >= 210;
    if (trace)
        TraceBuffer_Append(link, HexDump(report, static_cast<size_t>(length)));
    std::string escaped;
    if (first >= 1 && first <= length)
        escaped = escapeBytes(link.Exchange.reportDecoder, report + (first - 1), static_cast<size_t>(length - first + 1));
    if (trace)
        TraceBuffer_Append(link, escaped + "\r\n");
    return escaped;
}

std::string nym_escape_text(StickLink& link, const std::string& text)
{
    return escapeBytes(link.Exchange.textDecoder, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

int nym_send_text(StickLink& link, const std::string& text, int stick)
{
    StickRecord* s = link.slot(stick);
    if (!s || s->OutputReportLength < 2)
        return 1;
    const size_t length = static_cast<size_t>(s->OutputReportLength);
    s->OutputReport.assign(length, '@');
    s->OutputReport[0] = 0;
    size_t p = 1;
    for (char c : text) {
        s->OutputReport[p++] = static_cast<uint8_t>(c);
        if (p == length) {
            if (Nymstick_WriteReport(link, stick) == 0)
                return 1;
            p = 1;
        }
    }
    if (p == 1)
        return 0;
    std::fill(s->OutputReport.begin() + static_cast<std::ptrdiff_t>(p), s->OutputReport.end(), '@');
    return Nymstick_WriteReport(link, stick) == 0 ? 1 : 0;
}

namespace {

enum class TextRead { Ok, Failed, Endless, Mismatch };

// Reads the reply to the command tagged `tag`. Whole replies with other tags
// that come first (late answers to earlier commands) are passed over.
TextRead readTextReply(StickLink& link, int stick, const std::string& tag, std::string& reply)
{
    reply.clear();
    // A reply never continues a binary field of an earlier, abandoned one.
    link.Exchange.reportDecoder = EscapeDecoder{};
    int staleReplies = 0;
    const double started = link.clock().elapsedMs();
    double lastTurn = started;
    int reports = 0;
    // Only the text from where the previous report ended can hold a new terminator.
    size_t searchFrom = 0;
    for (;;) {
        if (reply.find(kTerminator, searchFrom) != std::string::npos) {
            if (isStaleReply(reply, tag) && ++staleReplies <= kMaxStaleReplies) {
                link.DebugOut("nym_ask: passed over a late reply " + reply.substr(0, 5), 210);
                reply.clear();
                searchFrom = 0;
                continue;
            }
            link.StickErrorText.clear();
            return reply.size() >= 5 && reply[0] == '@' && reply.compare(1, 4, tag) == 0 ? TextRead::Ok
                                                                                           : TextRead::Mismatch;
        }
        searchFrom = reply.size() >= 5 ? reply.size() - 5 : 0;
        if (readReportPaced(link, stick) <= 0)
            return staleReplies == 0 ? TextRead::Failed : TextRead::Mismatch;
        const StickRecord* r = link.slot(stick);
        reply += nym_escape_report(link, r->InputReport.data(), r->InputReportLength, 2);
        const double now = link.clock().elapsedMs();
        if (reply.size() > kMaxReplyChars || ++reports >= kMaxReplyReports || now - started >= kMaxReplyMs) {
            link.StickErrorText = "NYM_RECV_ERR_Readfile:The reply has no end.";
            return TextRead::Endless;
        }
        if (now - lastTurn >= kEventTurnMs) {
            link.wait(0);
            lastTurn = link.clock().elapsedMs();
        }
    }
}

// A USB stick that takes framed text commands; sets its poll delay if none is set.
bool askableOverUsb(StickLink& link, int stick)
{
    StickRecord* s = link.slot(stick);
    if (!s || upper(s->Interface) != "USB" || !link.Nymstick_isOpen(stick))
        return false;
    if (s->PollDelayMs == 0)
        s->PollDelayMs = 30;
    return true;
}

} // namespace

std::string nym_ask(StickLink& link, const std::string& command, int stick, int32_t delayMs, bool singleTry)
{
    if (link.Exchange.busy)
        return "BUSY";
    FlagGuard busy(link.Exchange.busy);
    link.StickErrorText.clear();

    const StickRecord* s = link.slot(stick);
    if (!s)
        return "";
    if (upper(s->Interface) == "EMU")
        return Nymstick_Emulate(link, command, stick);
    if (!askableOverUsb(link, stick))
        return "";

    int readFailures = 0;
    int mismatches = 0;
    for (;;) {
        const std::string tag = nym_next_tag(link);
        if (nym_send_text(link, "@" + tag + command + "\n", stick) != 0) {
            link.StickErrorText = "NYM_SEND_ERROR";
            return "NYM_SEND_ERROR";
        }
        if (const StickRecord* r = link.slot(stick); r && r->ProtocolVersion < 1)
            nym_send_text(link, "@", stick);
        if (delayMs > 0)
            link.wait(delayMs);

        std::string reply;
        switch (readTextReply(link, stick, tag, reply)) {
        case TextRead::Ok:
            return reply;
        case TextRead::Endless:
            // Asking again would only stream the same again.
            Nymstick_FlushQueue(link, stick);
            return singleTry ? "" : link.StickErrorText;
        case TextRead::Failed:
            if (singleTry)
                return "";
            beepOnPendingRead(link);
            if (++readFailures >= kTextReadFailures)
                return link.StickErrorText;
            Nymstick_FlushQueue(link, stick);
            continue;
        case TextRead::Mismatch:
            break;
        }
        ++mismatches;
        link.DebugOut("nym_ask: reply tag mismatch, expected " + tag, 210);
        if (singleTry || mismatches >= kTextMismatches) {
            drainInput(link, stick, 0);
            link.StickErrorText = "NYM_PACKET_MISMATCH";
            return "NYM_PACKET_MISMATCH";
        }
        nym_send_text(link, std::string(16, '@'), stick);
        Nymstick_FlushQueue(link, stick);
        drainInput(link, stick, pollDelay(link, stick));
    }
}

std::vector<std::string> nym_ask_batch(StickLink& link, const std::vector<std::string>& commands, int stick)
{
    std::vector<std::string> replies(commands.size());
    size_t done = 0;
    const StickRecord* s = link.slot(stick);
    // Old protocols send an extra "@" after each command: they are asked one at a time.
    if (!link.Exchange.busy && s && s->ProtocolVersion >= 1 && askableOverUsb(link, stick)) {
        FlagGuard busy(link.Exchange.busy);
        link.StickErrorText.clear();
        std::vector<std::string> tags;
        for (const std::string& command : commands) {
            const std::string tag = nym_next_tag(link);
            if (nym_send_text(link, "@" + tag + command + "\n", stick) != 0)
                break;
            tags.push_back(tag);
        }
        // The stick answers in order; the first reply that does not come
        // ends the batch, and the rest are asked one by one below.
        for (; done < tags.size(); ++done)
            if (readTextReply(link, stick, tags[done], replies[done]) != TextRead::Ok)
                break;
    }
    std::string firstError;
    for (size_t i = done; i < commands.size(); ++i) {
        replies[i] = nym_ask(link, commands[i], stick);
        if (firstError.empty())
            firstError = link.StickErrorText;
    }
    link.StickErrorText = firstError;
    return replies;
}

namespace {

uint8_t nextSequenceByte(StickLink& link)
{
    if (link.SequenceByte < 103)
        link.SequenceByte = 102;
    link.SequenceByte = link.SequenceByte >= 254 ? 103 : static_cast<uint8_t>(link.SequenceByte + 1);
    return link.SequenceByte;
}

} // namespace

int16_t nym_ask_short_bin(StickLink& link, const std::string& command, int stick, std::vector<uint8_t>& reply,
                          int nReports, bool singleTry, int32_t delayMs)
{
    link.StickErrorText.clear();
    const StickRecord* s = link.slot(stick);
    // "@", the sequence byte, the command and its line feed after the report ID.
    if (!s || static_cast<int64_t>(command.size()) + 4 > s->OutputReportLength) {
        link.StickErrorText = s && s->OutputReportLength > 0
                                  ? "NYM_SEND_ERROR: the command \"" + command + "\" does not fit the stick's " +
                                        std::to_string(s->OutputReportLength) + "-byte output report"
                                  : "NYM_SEND_ERROR: the stick takes no binary commands";
        return kBinMismatch;
    }
    if (nReports < 1 || s->InputReportLength < 3) {
        link.StickErrorText = "NYM_RECV_ERR_Readfile: the stick's " + std::to_string(s->InputReportLength) +
                              "-byte input reports cannot carry a binary reply";
        return kBinReceiveFailure;
    }
    const size_t payload = static_cast<size_t>(s->InputReportLength - 1);
    const size_t total = payload * static_cast<size_t>(nReports);
    reply.assign(total, 0);

    int sendFailures = 0;
    int receiveFailures = 0;
    int mismatches = 0;
    for (;;) {
        // Each attempt has a sequence byte of its own, so that a late reply
        // to an earlier attempt (or command) is told from this one's.
        const uint8_t seq = nextSequenceByte(link);
        StickRecord* w = link.slot(stick);
        if (!w || w->OutputReportLength < static_cast<int32_t>(command.size()) + 4) {
            link.StickErrorText = "NYM_SEND_ERROR";
            return kBinSendFailure;
        }
        w->OutputReport.assign(static_cast<size_t>(w->OutputReportLength), '@');
        w->OutputReport[0] = 0;
        w->OutputReport[2] = seq;
        std::copy(command.begin(), command.end(), w->OutputReport.begin() + 3);
        w->OutputReport[3 + command.size()] = 0x0A;
        if (Nymstick_WriteReport(link, stick) == 0) {
            link.wait(50);
            if (singleTry || ++sendFailures >= kBinaryFailures) {
                link.StickErrorText = "NYM_SEND_ERROR";
                return kBinSendFailure;
            }
            drainInput(link, stick, 0);
            continue;
        }

        if (delayMs > 0)
            link.wait(delayMs);
        size_t q = 0;
        bool readFailed = false;
        int skipped = 0;
        for (int r = 0; r < nReports;) {
            if (readReportPaced(link, stick) <= 0) {
                readFailed = true;
                break;
            }
            const StickRecord* in = link.slot(stick);
            // A report that does not start this command's reply ("@" and the
            // sequence byte) is the rest of an earlier reply: it is passed over.
            if (r == 0 && (in->InputReport.size() < 3 || in->InputReport[1] != 0x40 || in->InputReport[2] != seq)) {
                if (++skipped > kMaxSkippedReports)
                    break;
                continue;
            }
            const size_t n = std::min(payload, in->InputReport.size() - 1);
            std::copy_n(in->InputReport.begin() + 1, std::min(n, total - q), reply.begin() + static_cast<std::ptrdiff_t>(q));
            q += payload;
            ++r;
        }
        if (!readFailed && skipped <= kMaxSkippedReports)
            return kBinOk;

        const std::string readError = link.StickErrorText;
        // What has come by now belongs to this or earlier attempts: away with it.
        drainInput(link, stick, 0);
        if (skipped > 0) {
            // Replies came, but none to this command.
            if (singleTry || ++mismatches >= kBinaryFailures) {
                link.StickErrorText = "NYM_PACKET_MISMATCH";
                return kBinMismatch;
            }
            continue;
        }
        beepOnPendingRead(link);
        link.StickErrorText = readError;
        if (singleTry || ++receiveFailures >= kBinaryFailures)
            return kBinReceiveFailure;
    }
}

void TraceBinaryReply(StickLink& link, const std::vector<uint8_t>& buffer, int16_t result, int stick)
{
    if (result != 0)
        TraceBuffer_Append(link, "nym_ask_short_bin error " + std::to_string(result) + " ");
    if (link.TraceLevel < 210)
        return;
    std::string text = link.StickErrorText + HexDump(buffer.data(), buffer.size());
    if (const StickRecord* s = link.slot(stick))
        for (size_t i = 0; i < s->Channels.size(); ++i)
            text += std::to_string(i) + ":" + generalNumber(s->Channels[i].LastValue) + ", ";
    TraceBuffer_Append(link, text);
}

} // namespace vs
