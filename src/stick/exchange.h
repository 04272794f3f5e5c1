#pragma once
#include "stick/stick_link.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vs {

// Binary exchange results.
enum : int16_t { kBinOk = 0, kBinSendFailure = 2, kBinReceiveFailure = 3, kBinMismatch = 4 };

// Sends a text command and returns the escaped reply ("@" + tag + ";" fields
// ";\x0A"), "" when the stick cannot be asked, "BUSY" when an exchange is
// already running further up the call stack, or the error text on failure.
// Success is told by StickErrorText being empty afterwards.
std::string nym_ask(StickLink& link, const std::string& command, int stick, int32_t delayMs = 0,
                    bool singleTry = false);

// Sends text commands back to back and then takes their replies in order
// (the stick answers one after the other), saving a wait per command. A
// reply that does not come is asked for again on its own, as are the rest.
// Each reply is what nym_ask gives; StickErrorText is empty when all came.
std::vector<std::string> nym_ask_batch(StickLink& link, const std::vector<std::string>& commands, int stick);

// Sends a binary command and collects exactly nReports input reports, back to
// back, into reply (resized to (InputReportLength - 1) x nReports bytes).
int16_t nym_ask_short_bin(StickLink& link, const std::string& command, int stick, std::vector<uint8_t>& reply,
                          int nReports, bool singleTry = false, int32_t delayMs = 0);

// Cuts a framed message into output reports padded with "@"; 0 on success.
int nym_send_text(StickLink& link, const std::string& text, int stick);

// Escapes one received report from the 1-based index `first` (2 skips the
// report ID) up to `length`, tracing it at trace level 210 and above.
std::string nym_escape_report(StickLink& link, const uint8_t* report, int length, int first);
// The same escaping for a text, with its own decoder state and no tracing.
std::string nym_escape_text(StickLink& link, const std::string& text);

void TraceBuffer_Append(StickLink& link, const std::string& text);
std::string HexDump(const uint8_t* bytes, size_t count);
void TraceBinaryReply(StickLink& link, const std::vector<uint8_t>& buffer, int16_t result, int stick);

// Advances the tag counter and returns the new 4-digit tag.
std::string nym_next_tag(StickLink& link);

} // namespace vs
