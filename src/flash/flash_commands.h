#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vs {

class StickLink;

// The stick's flash recorder commands. Replies are "@tag;" + fields.

// "FLSTART" when on, else "FLSTOP"; the reply.
std::string Nymstick_FlashLog(StickLink& link, int stick, bool on);
// "LBSIZE?": the number of values stored (field 1, "&h" read unsigned); 0 without one.
int32_t Nymstick_LogBufferSize(StickLink& link, int stick);
// The count in a reply to "LBSIZE?".
int32_t logBufferSizeFromReply(const std::string& reply);
// "LBR": the next block of values, one input report, asked once (a second
// "LBR" would fetch the block after it); the binary exchange's result.
int16_t Nymstick_LogBufferRead(StickLink& link, int stick, std::vector<uint8_t>& buffer);
// "RECORDS?": the number of recordings in flash; 0 without one.
int Nymstick_nRecords(StickLink& link, int stick);
// "LBRM;" + (record + 2): the following reads deliver that recording.
int Nymstick_SetRecord(StickLink& link, int stick, int record);
// "LBAVG;" + n: the following reads deliver averages of n values.
int Nymstick_SetAvg(StickLink& link, int stick, int n);
// "LBRM;" + mode: 0 the latest recording, 1 all data.
int Nymstick_SetReadMode(StickLink& link, int stick, int mode);

// Values per "LBR" block: the whole values in (InputReportLength - 3) bytes.
int flashValuesPerReport(const StickLink& link, int stick);
// The recorder's interval in seconds from the "LogInterval" knob; 10 without the knob.
double logIntervalSeconds(const StickLink& link, int stick);

} // namespace vs
