#include "service/console_face.h"

#include "common/clock.h"
#include "common/dateformat.h"

#include <QCoreApplication>

#include <cstdlib>
#include <cstdio>
#include <sys/stat.h>

namespace vs {

bool ConsoleFace::stdoutIsJournal()
{
    // "device:inode" of the stream systemd connected; standard output is the
    // journal only while it is still that stream.
    const char* stream = std::getenv("JOURNAL_STREAM");
    if (!stream || !*stream)
        return false;
    unsigned long long device = 0, inode = 0;
    struct stat st {};
    return std::sscanf(stream, "%llu:%llu", &device, &inode) == 2 && ::fstat(1, &st) == 0 &&
           static_cast<unsigned long long>(st.st_dev) == device && static_cast<unsigned long long>(st.st_ino) == inode;
}

ConsoleFace::Priority ConsoleFace::priorityOf(const std::string& text)
{
    const auto has = [&text](const char* part) { return text.find(part) != std::string::npos; };
    const auto starts = [&text](const char* part) { return text.rfind(part, 0) == 0; };
    if (starts("Error") || starts("Fatal") || starts("Ending:") || has(" failed") || has("cannot be served"))
        return Error;
    if (starts("Warning:") || has("no values") || has(": removed") || has("cannot") || has("refused") ||
        has("is full") || has("in use by another program") || has("may not open it") || has("refuses to open") || has("not accepted") ||
        has("is damaged") || starts("Settings:") || starts("Metrics: "))
        return Warning;
    return Info;
}

void ConsoleFace::line(const std::string& text, Priority priority)
{
    recent_.push_back(text);
    if (recent_.size() > kRecentLines)
        recent_.pop_front();
    if (journal_)
        out_ << '<' << static_cast<int>(priority) << '>' << text << std::endl;
    else
        out_ << formatDateTime(clock_.now(), "yyyy-mm-dd Hh:Nn:Ss") << ' ' << text << std::endl;
}

void ConsoleFace::print(const QString& text)
{
    for (const QChar c : text) {
        if (c == '\n' || c == QChar(12)) {
            if (c == '\n' || !pending_.empty())
                flush();
            continue;
        }
        if (c == '\r')
            continue;
        pending_ += QString(c).toStdString();
    }
}

void ConsoleFace::balloon(const QString& text, const QString&, int)
{
    line("Warning: " + text.simplified().toStdString(), Warning);
}

bool ConsoleFace::endAfterError(const std::string& text)
{
    line(QString::fromStdString(text).simplified().toStdString(), Error);
    return false;
}

void ConsoleFace::endProgram(int code)
{
    flush();
    QCoreApplication::exit(code);
}

void ConsoleFace::flush()
{
    if (pending_.find_first_not_of(' ') != std::string::npos)
        line(pending_);
    pending_.clear();
}

} // namespace vs
