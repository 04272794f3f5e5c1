#include "service/console_face.h"

#include "common/clock.h"
#include "common/dateformat.h"

#include <QCoreApplication>

namespace vs {

void ConsoleFace::line(const std::string& text)
{
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
    line("Warning: " + text.simplified().toStdString());
}

bool ConsoleFace::endAfterError(const std::string& text)
{
    line(QString::fromStdString(text).simplified().toStdString());
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
