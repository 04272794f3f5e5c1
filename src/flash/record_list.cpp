#include "flash/record_list.h"

#include "flash/flash_commands.h"
#include "stick/stick_link.h"
#include "stick/value_read.h"

#include <algorithm>

namespace vs {

std::vector<RecordEntry> readRecordList(StickLink& link, int stick)
{
    const int records = std::clamp(Nymstick_nRecords(link, stick), 0, 1000);
    const int perReport = flashValuesPerReport(link, stick);
    std::vector<RecordEntry> entries(static_cast<size_t>(records) + 1);
    Nymstick_SetReadMode(link, stick, 1);
    entries[0].length = Nymstick_LogBufferSize(link, stick);
    std::vector<uint8_t> buffer;
    for (int k = 0; k < records; ++k) {
        RecordEntry& e = entries[static_cast<size_t>(k) + 1];
        Nymstick_SetRecord(link, stick, k);
        e.length = Nymstick_LogBufferSize(link, stick);
        Nymstick_SetAvg(link, stick, e.length / kThumbnailPoints);
        bool ended = perReport <= 0;
        while (!ended && static_cast<int>(e.points.size()) < kThumbnailPoints) {
            if (Nymstick_LogBufferRead(link, stick, buffer) != 0 || !link.StickErrorText.empty())
                break; // what was read so far makes the thumbnail
            size_t at = 2;
            for (int v = 0; v < perReport && static_cast<int>(e.points.size()) < kThumbnailPoints; ++v) {
                const auto raw = GetU16(buffer, at);
                if (!raw || *raw == 65535) {
                    ended = true;
                    break;
                }
                e.points.push_back(static_cast<uint16_t>(*raw));
                e.minimum = std::min<int>(e.minimum, static_cast<int>(*raw));
                e.maximum = std::max<int>(e.maximum, static_cast<int>(*raw));
            }
        }
    }
    link.StickErrorText.clear();
    return entries;
}

} // namespace vs
