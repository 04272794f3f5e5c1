#include "history/minute_block.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace vs {

namespace {

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

} // namespace

namespace {

// A value whose hundredths are a whole number (what the sticks report) is
// kept as that number, zigzag-encoded in 7-bit groups with the low bit 0;
// any other value as a tag byte 1 and its 8 bytes.
void putValue(QByteArray& out, double v)
{
    const double hundredths = std::round(v * 100);
    if (std::isfinite(v) && std::fabs(hundredths) < 4e15 && hundredths / 100 == v) {
        const int64_t n = static_cast<int64_t>(hundredths);
        uint64_t z = (static_cast<uint64_t>(n) << 1) ^ static_cast<uint64_t>(n >> 63);
        z <<= 1; // low bit 0: hundredths
        do {
            const uint8_t byte = static_cast<uint8_t>(z & 0x7f) | (z > 0x7f ? 0x80 : 0);
            out.append(static_cast<char>(byte));
            z >>= 7;
        } while (z);
        return;
    }
    out.append(static_cast<char>(1));
    char bytes[8];
    std::memcpy(bytes, &v, 8);
    out.append(bytes, 8);
}

bool getValue(const char*& p, const char* end, double& v)
{
    if (p >= end)
        return false;
    if (*p == 1) {
        if (end - p < 9)
            return false;
        std::memcpy(&v, p + 1, 8);
        p += 9;
        return true;
    }
    uint64_t z = 0;
    for (int shift = 0; p < end && shift < 64; shift += 7) {
        const uint8_t byte = static_cast<uint8_t>(*p++);
        z |= static_cast<uint64_t>(byte & 0x7f) << shift;
        if (!(byte & 0x80)) {
            z >>= 1;
            const int64_t n = static_cast<int64_t>(z >> 1) ^ -static_cast<int64_t>(z & 1);
            v = static_cast<double>(n) / 100;
            return true;
        }
    }
    return false;
}

} // namespace

QByteArray encodeMinute(const std::vector<MinuteSample>& samples, int channels)
{
    QByteArray out;
    out.reserve(static_cast<qsizetype>(samples.size()) * (2 + 4 * channels));
    for (const MinuteSample& s : samples) {
        const uint16_t offset = static_cast<uint16_t>(s.offsetMs);
        out.append(reinterpret_cast<const char*>(&offset), 2);
        for (int c = 0; c < channels; ++c)
            putValue(out, c < static_cast<int>(s.values.size()) ? s.values[static_cast<size_t>(c)] : kNone);
    }
    return out;
}

std::vector<MinuteSample> decodeMinute(const QByteArray& block, int channels)
{
    std::vector<MinuteSample> out;
    if (channels <= 0)
        return out;
    const char* p = block.constData();
    const char* end = p + block.size();
    while (end - p >= 2) {
        MinuteSample s;
        uint16_t offset = 0;
        std::memcpy(&offset, p, 2);
        p += 2;
        s.offsetMs = offset;
        s.values.resize(static_cast<size_t>(channels));
        for (double& v : s.values)
            if (!getValue(p, end, v))
                return {}; // a damaged block gives nothing rather than wrong values
        out.push_back(std::move(s));
    }
    return p == end ? out : std::vector<MinuteSample>{};
}

bool addToMinute(std::vector<MinuteSample>& samples, MinuteSample sample)
{
    // Live samples come in order: the end is the usual place.
    auto at = samples.end();
    if (!samples.empty() && samples.back().offsetMs >= sample.offsetMs)
        at = std::lower_bound(samples.begin(), samples.end(), sample.offsetMs,
                              [](const MinuteSample& s, int offset) { return s.offsetMs < offset; });
    if (at != samples.end() && at->offsetMs == sample.offsetMs)
        return false;
    samples.insert(at, std::move(sample));
    return true;
}

MinuteRollup rollUp(const std::vector<MinuteSample>& samples, int channels)
{
    MinuteRollup r;
    r.count = static_cast<int>(samples.size());
    r.min.assign(static_cast<size_t>(channels), kNone);
    r.mean.assign(static_cast<size_t>(channels), kNone);
    r.max.assign(static_cast<size_t>(channels), kNone);
    for (int c = 0; c < channels; ++c) {
        const size_t k = static_cast<size_t>(c);
        double sum = 0;
        int n = 0;
        for (const MinuteSample& s : samples) {
            const double v = k < s.values.size() ? s.values[k] : kNone;
            if (std::isnan(v))
                continue;
            r.min[k] = n == 0 ? v : std::min(r.min[k], v);
            r.max[k] = n == 0 ? v : std::max(r.max[k], v);
            sum += v;
            ++n;
        }
        if (n > 0)
            r.mean[k] = sum / n;
    }
    return r;
}

void combineInto(MinuteRollup& total, const MinuteRollup& part)
{
    const size_t channels = part.mean.size();
    if (total.mean.size() != channels) {
        total.min.assign(channels, kNone);
        total.mean.assign(channels, kNone);
        total.max.assign(channels, kNone);
        total.count = 0;
    }
    const int weight = std::max(part.count, 1);
    for (size_t c = 0; c < channels; ++c) {
        if (std::isnan(part.mean[c]))
            continue;
        if (std::isnan(total.mean[c])) {
            total.min[c] = part.min[c];
            total.max[c] = part.max[c];
            total.mean[c] = part.mean[c];
            continue;
        }
        total.min[c] = std::min(total.min[c], part.min[c]);
        total.max[c] = std::max(total.max[c], part.max[c]);
        // The earlier parts weigh what their samples were.
        total.mean[c] = (total.mean[c] * std::max(total.count, 1) + part.mean[c] * weight) /
                        (std::max(total.count, 1) + weight);
    }
    total.count += part.count;
}

QByteArray encodeRollup(const MinuteRollup& r)
{
    const size_t channels = r.min.size();
    QByteArray out(static_cast<qsizetype>(channels * 24), '\0');
    char* p = out.data();
    for (size_t c = 0; c < channels; ++c) {
        for (double v : {r.min[c], r.mean[c], r.max[c]}) {
            std::memcpy(p, &v, 8);
            p += 8;
        }
    }
    return out;
}

MinuteRollup decodeRollup(const QByteArray& block, int channels, int count)
{
    MinuteRollup r;
    r.count = count;
    const size_t n = static_cast<size_t>(std::max(channels, 0));
    r.min.assign(n, kNone);
    r.mean.assign(n, kNone);
    r.max.assign(n, kNone);
    if (block.size() != static_cast<qsizetype>(n * 24))
        return r;
    const char* p = block.constData();
    for (size_t c = 0; c < n; ++c) {
        std::memcpy(&r.min[c], p, 8);
        std::memcpy(&r.mean[c], p + 8, 8);
        std::memcpy(&r.max[c], p + 16, 8);
        p += 24;
    }
    return r;
}

} // namespace vs
