#include "stick/report_io.h"

#include "stick/transport.h"

#include <algorithm>

namespace vs {

int Nymstick_WriteReport(StickLink& link, int stick)
{
    StickRecord* s = link.slot(stick);
    if (!s || !s->Device || s->OutputReportLength < 1 ||
        s->OutputReport.size() < static_cast<size_t>(s->OutputReportLength))
        return 0;
    s->OutputReport[0] = 0;
    const auto device = s->Device; // stays alive for the call
    const bool ok = device->writeReport(s->OutputReport.data(), static_cast<size_t>(s->OutputReportLength));
    const int written = ok ? s->OutputReportLength : 0;
    link.DebugOut(" NumberOfBytesWritten (ID:0)= " + std::to_string(written), 230);
    if (!ok)
        link.DebugOut("WriteFile:write failed", 210);
    return written;
}

int Nymstick_ReadReport(StickLink& link, int stick)
{
    link.StickErrorText.clear();
    StickRecord* s = link.slot(stick);
    if (!s || !s->Device || s->InputReportLength < 1) {
        link.StickErrorText = "NYM_RECV_ERR_Readfile:The device is not open.";
        link.DebugOut(link.StickErrorText, 230);
        return 0;
    }
    const size_t length = static_cast<size_t>(s->InputReportLength);
    s->InputReport.assign(length, '@');
    s->InputReport[0] = 0;
    std::string error;
    const auto device = s->Device;
    const int n = device->readReport(s->InputReport.data(), length, error);
    if (n <= 0) {
        link.StickErrorText = "NYM_RECV_ERR_Readfile:" + error;
        link.DebugOut(link.StickErrorText, 230);
        return 0;
    }
    // A short report is padded with zeros, as the system's HID read pads it,
    // so that no fill byte of an earlier read is taken for data.
    const size_t got = std::min(static_cast<size_t>(n), length);
    std::fill(s->InputReport.begin() + static_cast<std::ptrdiff_t>(got), s->InputReport.end(), 0);
    s->InputReport[0] = 0; // reports always carry ID 0
    link.DebugOut("ReadFile completed successfully.", 230);
    link.DebugOut(" Report ID: 0", 230);
    return static_cast<int>(got);
}

void Nymstick_FlushQueue(StickLink& link, int stick)
{
    StickRecord* s = link.slot(stick);
    if (s && s->Device) {
        const auto device = s->Device;
        device->flushInput();
    }
}

bool Nymstick_Gone(StickLink& link, int stick)
{
    StickRecord* s = link.slot(stick);
    if (!s || !s->Device)
        return false;
    const auto device = s->Device;
    return device->gone();
}

int Nymstick_EnterDFU(StickLink& link, int stick)
{
    link.DebugOut("Nym stick " + std::to_string(stick) + " entering DFU mode...", 50);
    StickRecord* s = link.slot(stick);
    if (!link.Nymstick_isOpen(stick) || !s->Device) {
        link.StickErrorText = "the stick is not open";
        return 0;
    }
    if (s->FeatureReportLength < 5) {
        link.StickErrorText = "the stick's feature report holds " + std::to_string(s->FeatureReportLength) +
                              " bytes, too few for the firmware-upgrade request";
        return 0;
    }
    s->FeatureReport.resize(static_cast<size_t>(s->FeatureReportLength), 0);
    s->FeatureReport[0] = 0;
    s->FeatureReport[1] = 0x55;
    s->FeatureReport[2] = 0xAA;
    s->FeatureReport[3] = 0x55;
    s->FeatureReport[4] = 0xAA;
    const auto device = s->Device;
    std::string error;
    const bool sent = device->sendFeatureReport(s->FeatureReport.data(), s->FeatureReport.size(), error);
    link.StickErrorText = sent ? std::string() : error;
    link.DebugOut("HidD_SetFeature:" + (sent ? std::string("ok") : error), 200);
    link.DebugOut("Nym stick " + std::to_string(stick) + " closing handles", 50);
    Nymstick_Close(link, stick);
    return sent ? 1 : 0;
}

void Nymstick_CloseHandles(StickLink& link, int stick)
{
    StickRecord* s = link.slot(stick);
    if (!s)
        return;
    if (s->Device) {
        const auto device = std::move(s->Device);
        s->Device.reset();
        device->close();
        link.DebugOut("CloseHandle (HIDHandle):ok", 200);
    }
    s->HIDHandle = 0;
    s->ReadHandle = 0;
}

void Nymstick_Close(StickLink& link, int stick)
{
    link.DebugOut("Closing Nym stick " + std::to_string(stick), 1);
    Nymstick_CloseHandles(link, stick);
    StickRecord* s = link.slot(stick);
    if (!s)
        return;
    s->Configured = false;
    s->Flags.clear();
    s->Channels.clear();
    s->Knobs.clear();
    s->nChannels = 0;
    s->nKnobs = 0;
}

void Nymstick_AttachDevice(StickLink& link, int stick, std::shared_ptr<Transport> device, int32_t inputLength,
                           int32_t outputLength, int32_t featureLength)
{
    StickRecord* s = link.slot(stick);
    if (!s)
        return;
    s->Interface = "USB";
    s->Configured = false;
    s->LastError.clear();
    s->Device = std::move(device);
    s->HIDHandle = 1;
    s->ReadHandle = 1;
    s->InputReportLength = inputLength;
    s->OutputReportLength = outputLength;
    s->FeatureReportLength = featureLength;
    s->InputReport.assign(static_cast<size_t>(inputLength > 0 ? inputLength : 0), 0);
    s->OutputReport.assign(static_cast<size_t>(outputLength > 0 ? outputLength : 0), 0);
    s->FeatureReport.assign(static_cast<size_t>(featureLength > 0 ? featureLength : 0), 0);
}

} // namespace vs
