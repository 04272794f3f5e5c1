#include "publish/process_metrics.h"

#include "publish/exposition.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>

#include <sys/resource.h>
#include <unistd.h>

namespace vs {

namespace {

using prometheus::MetricFamily;
using prometheus::MetricType;

QByteArray readAll(const char* path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

std::vector<MetricFamily> processMetrics()
{
    std::vector<MetricFamily> out;
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    const double page = static_cast<double>(sysconf(_SC_PAGESIZE));
    // /proc/self/stat: the command is in parentheses and may hold blanks;
    // the fields after it count from "state" (field 3).
    const QByteArray stat = readAll("/proc/self/stat");
    const qsizetype close = stat.lastIndexOf(')');
    const QList<QByteArray> f = close > 0 ? stat.mid(close + 2).split(' ') : QList<QByteArray>();
    if (f.size() > 21) {
        const double cpu = (f[11].toDouble() + f[12].toDouble()) / tick; // utime, stime
        out.push_back(singleMetric("process_cpu_seconds_total", "Total user and system CPU time spent in seconds.",
                          MetricType::Counter, cpu));
        double boot = 0;
        for (const QByteArray& line : readAll("/proc/stat").split('\n'))
            if (line.startsWith("btime "))
                boot = line.mid(6).trimmed().toDouble();
        if (boot > 0)
            out.push_back(singleMetric("process_start_time_seconds", "Start time of the process since unix epoch in seconds.",
                              MetricType::Gauge, boot + f[19].toDouble() / tick));
        out.push_back(singleMetric("process_virtual_memory_bytes", "Virtual memory size in bytes.", MetricType::Gauge,
                          f[20].toDouble()));
        out.push_back(singleMetric("process_resident_memory_bytes", "Resident memory size in bytes.", MetricType::Gauge,
                          f[21].toDouble() * page));
    }
    const QDir fds("/proc/self/fd");
    if (fds.exists())
        out.push_back(singleMetric("process_open_fds", "Number of open file descriptors.", MetricType::Gauge,
                          static_cast<double>(fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size())));
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        out.push_back(singleMetric("process_max_fds", "Maximum number of open file descriptors.", MetricType::Gauge,
                          static_cast<double>(limit.rlim_cur)));
    return out;
}

} // namespace vs
