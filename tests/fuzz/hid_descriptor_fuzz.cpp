// The HID report-descriptor parser, fed with any descriptor a device may hand over.
#include "stick/hid_descriptor.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const vs::HidCaps caps = vs::parseReportDescriptor(data, size);
    if (caps.InputReportByteLength < 0 || caps.OutputReportByteLength < 0 || caps.FeatureReportByteLength < 0)
        std::abort();
    vs::capsDebugLines(caps);
    return 0;
}
