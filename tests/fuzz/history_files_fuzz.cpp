// What the history reads from files it did not write itself: stored minute
// blocks (a damaged or foreign database) and value logs being imported.
#include "fuzz_input.h"
#include "history/log_import.h"
#include "history/minute_block.h"

#include <QDir>
#include <QFile>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vsfuzz::Input in(data, size);
    const int channels = 1 + in.byte() % 8;
    const bool asLog = in.byte() & 1;
    const std::string raw = in.rest();
    const QByteArray bytes(raw.data(), static_cast<qsizetype>(raw.size()));

    // A block decodes to whole samples or to nothing, and what it gives
    // survives being written again.
    const std::vector<vs::MinuteSample> samples = vs::decodeMinute(bytes, channels);
    const std::vector<vs::MinuteSample> again = vs::decodeMinute(vs::encodeMinute(samples, channels), channels);
    if (again.size() != samples.size())
        std::abort();
    for (size_t i = 0; i < samples.size(); ++i)
        for (size_t c = 0; c < samples[i].values.size(); ++c) {
            const double a = samples[i].values[c], b = again[i].values[c];
            if (samples[i].offsetMs != again[i].offsetMs || (a == a && a != b) || (a != a && b == b))
                std::abort();
        }
    vs::decodeRollup(bytes, channels, 1);
    if (!asLog)
        return 0;

    // Any file offered as a value log is read or refused with a reason.
    static vs::HistoryStore store;
    static const QString file = QDir::tempPath() + "/ventiscope-fuzz-" + QString::number(getpid()) + ".txt";
    if (!store.isOpen())
        store.open(":memory:");
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    f.write(bytes);
    f.close();
    vs::ImportCounts counts;
    QString error;
    if (!vs::importLog(store, file, QString(), counts, error) && error.isEmpty())
        std::abort();
    if (counts.bad > counts.lines)
        std::abort();
    return 0;
}
