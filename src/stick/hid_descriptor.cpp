#include "stick/hid_descriptor.h"

#include <algorithm>
#include <map>

namespace vs {

namespace {

struct Globals {
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint32_t reportId = 0;
    uint32_t usagePage = 0;
};

enum Kind { kInput = 0, kOutput = 1, kFeature = 2 };

} // namespace

HidCaps parseReportDescriptor(const uint8_t* d, size_t length)
{
    HidCaps caps;
    Globals g;
    std::vector<Globals> stack;
    // bits per (kind, report id)
    std::map<std::pair<int, uint32_t>, uint64_t> bits;
    int depth = 0;
    bool topUsageTaken = false;
    uint32_t localUsage = 0;
    bool haveLocalUsage = false;

    size_t i = 0;
    while (i < length) {
        const uint8_t prefix = d[i];
        if (prefix == 0xFE) { // long item: skip its data
            if (i + 2 >= length)
                break;
            i += 3 + d[i + 1];
            continue;
        }
        const size_t size = (prefix & 3) == 3 ? 4 : (prefix & 3);
        if (i + 1 + size > length)
            break;
        uint32_t value = 0;
        for (size_t b = 0; b < size; ++b)
            value |= static_cast<uint32_t>(d[i + 1 + b]) << (8 * b);
        const uint8_t type = (prefix >> 2) & 3;
        const uint8_t tag = prefix >> 4;
        i += 1 + size;

        if (type == 0) { // main
            const uint64_t n = static_cast<uint64_t>(g.reportSize) * g.reportCount;
            switch (tag) {
            case 0x8: bits[{kInput, g.reportId}] += n; break;
            case 0x9: bits[{kOutput, g.reportId}] += n; break;
            case 0xB: bits[{kFeature, g.reportId}] += n; break;
            case 0xA: // collection
                if (depth == 0 && !topUsageTaken) {
                    caps.UsagePage = static_cast<uint16_t>(g.usagePage);
                    caps.Usage = static_cast<uint16_t>(localUsage);
                    topUsageTaken = haveLocalUsage || g.usagePage != 0;
                }
                ++depth;
                ++caps.NumberLinkCollectionNodes;
                break;
            case 0xC: depth = std::max(0, depth - 1); break;
            default: break;
            }
            haveLocalUsage = false;
            localUsage = 0;
        } else if (type == 1) { // global
            switch (tag) {
            case 0x0: g.usagePage = value; break;
            case 0x7: g.reportSize = value; break;
            case 0x8:
                g.reportId = value;
                caps.usesReportIds = true;
                break;
            case 0x9: g.reportCount = value; break;
            case 0xA: stack.push_back(g); break;
            case 0xB:
                if (!stack.empty()) {
                    g = stack.back();
                    stack.pop_back();
                }
                break;
            default: break;
            }
        } else if (type == 2 && tag == 0x0 && !haveLocalUsage) { // first local usage
            localUsage = size == 4 ? (value & 0xFFFF) : value;
            haveLocalUsage = true;
        }
    }

    int32_t* lengths[3] = {&caps.InputReportByteLength, &caps.OutputReportByteLength, &caps.FeatureReportByteLength};
    for (const auto& [key, n] : bits) {
        if (n == 0)
            continue;
        const auto bytes = static_cast<int32_t>(std::min<uint64_t>((n + 7) / 8, 1 << 20)) + 1;
        int32_t& target = *lengths[key.first];
        target = std::max(target, bytes);
    }
    return caps;
}

std::vector<std::string> capsDebugLines(const HidCaps& caps)
{
    return {
        "  Usage: " + std::to_string(caps.Usage),
        "  Usage Page: " + std::to_string(caps.UsagePage),
        "  Input Report Byte Length: " + std::to_string(caps.InputReportByteLength),
        "  Output Report Byte Length: " + std::to_string(caps.OutputReportByteLength),
        "  Feature Report Byte Length: " + std::to_string(caps.FeatureReportByteLength),
        "  Number of Link Collection Nodes: " + std::to_string(caps.NumberLinkCollectionNodes),
    };
}

} // namespace vs
