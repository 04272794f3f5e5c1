#include "core/line_file.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vs {

namespace {

QString systemText(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

} // namespace

int LineFile::cut(int fd, long long size) const
{
    return truncateFn ? truncateFn(fd, size) : ::ftruncate(fd, static_cast<off_t>(size));
}

bool LineFile::append(const QString& fileName, const QByteArray& line, QString& error)
{
    const QByteArray path = QFile::encodeName(fileName);
    struct stat node {};
    const bool exists = ::stat(path.constData(), &node) == 0;
    if (exists && !S_ISREG(node.st_mode) && !S_ISCHR(node.st_mode)) {
        error = S_ISFIFO(node.st_mode) ? "it is a FIFO, not a file" : "it is not a file";
        return false;
    }
    const bool device = exists && S_ISCHR(node.st_mode);
    const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | (device ? 0 : O_APPEND | O_CREAT),
                          0666);
    if (fd < 0) {
        error = systemText(errno);
        return false;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    off_t before = 0;
    if (!device) {
        // A fragment an earlier short write left goes before anything else.
        if (fragment_ && fragment_->fileName == fileName) {
            if (cut(fd, fragment_->size) != 0) {
                error = "a partly written line could not be removed: " + systemText(errno);
                return false;
            }
            fragment_.reset();
        }
        struct stat now {};
        if (::fstat(fd, &now) == 0)
            before = now.st_size;
    }
    errno = 0;
    const long written = writeFn ? writeFn(fd, line.constData(), static_cast<size_t>(line.size()))
                                 : ::write(fd, line.constData(), static_cast<size_t>(line.size()));
    if (written == line.size())
        return true;
    error = written < 0 ? systemText(errno)
                        : QString("only %1 of %2 bytes were written (%3)")
                              .arg(written)
                              .arg(line.size())
                              .arg(systemText(errno ? errno : ENOSPC));
    if (!device && written > 0 && cut(fd, before) != 0)
        fragment_ = Fragment{fileName, static_cast<qint64>(before)};
    return false;
}

} // namespace vs
