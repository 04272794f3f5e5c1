#pragma once
#include <QByteArray>

#include <cstdint>
#include <vector>

namespace vs {

// One minute of one stick's series, as stored: every sample's time (ms into
// the minute) and its values, one per channel (NaN: the channel had no value).
// A value in whole hundredths (what the sticks report) takes 1 to 5 bytes,
// any other value 9; every value reads back exactly as it was written.
struct MinuteSample {
    int offsetMs = 0;
    std::vector<double> values;
};

QByteArray encodeMinute(const std::vector<MinuteSample>& samples, int channels);
// The samples of a stored minute; none from a block of the wrong size.
std::vector<MinuteSample> decodeMinute(const QByteArray& block, int channels);
// Adds a sample in time order; false (nothing added) when the minute holds
// one at that time already.
bool addToMinute(std::vector<MinuteSample>& samples, MinuteSample sample);

// A minute rolled up: per channel the least, mean and greatest value (NaN
// where the channel had none) and how many samples it held.
struct MinuteRollup {
    int count = 0;
    std::vector<double> min, mean, max;
};
MinuteRollup rollUp(const std::vector<MinuteSample>& samples, int channels);
// Adds one rollup into another (the minutes of an hour, the hours of a day):
// the least of the least, the greatest of the greatest, the mean weighted by
// the number of samples.
void combineInto(MinuteRollup& total, const MinuteRollup& part);
QByteArray encodeRollup(const MinuteRollup& rollup);
MinuteRollup decodeRollup(const QByteArray& block, int channels, int count);

} // namespace vs
