#pragma once
#include "stick/stick_link.h"

namespace vs {

// Report-level operations on one slot, over its Transport.

// Writes OutputReport (byte 0 forced to 0); the number of bytes written, 0 on failure.
int Nymstick_WriteReport(StickLink& link, int stick);
// Reads one queued input report into InputReport without waiting; the number
// of bytes read (report ID included; the rest of the buffer is zeros), or 0
// with StickErrorText "NYM_RECV_ERR_Readfile:" + the reason.
int Nymstick_ReadReport(StickLink& link, int stick);
// Discards queued input reports.
void Nymstick_FlushQueue(StickLink& link, int stick);
// True when the slot holds a device that has left the system.
bool Nymstick_Gone(StickLink& link, int stick);
// Sends the firmware-upgrade feature report and closes the stick; non-zero when
// sent, otherwise StickErrorText says why (the system's text when the send failed).
int Nymstick_EnterDFU(StickLink& link, int stick);
// Closes the handles and forgets channels, knobs and flags; the slot and its path stay.
void Nymstick_Close(StickLink& link, int stick);
void Nymstick_CloseHandles(StickLink& link, int stick);
// Gives an opened USB slot its transport and report buffers.
void Nymstick_AttachDevice(StickLink& link, int stick, std::shared_ptr<Transport> device, int32_t inputLength,
                           int32_t outputLength, int32_t featureLength);

} // namespace vs
