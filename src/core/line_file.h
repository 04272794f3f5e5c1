#pragma once
#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace vs {

// Appends whole lines to a file: each line reaches the file whole or not at
// all. A line goes out in one unbuffered write; when the disk takes only part
// of it, the file is cut back to its size before the line, and when even that
// fails, the cut is made before anything else is written to that file.
// Character devices (/dev/null) are written as they are; anything else that
// is not a regular file (a FIFO, a socket) is refused rather than waited on.
class LineFile {
public:
    // The system's write and truncate; tests put in ones that fail part-way.
    std::function<long(int fd, const char* bytes, size_t count)> writeFn;
    std::function<int(int fd, long long size)> truncateFn;

    // Appends `line`; false with `error` set when it did not reach the file whole.
    bool append(const QString& fileName, const QByteArray& line, QString& error);

private:
    int cut(int fd, long long size) const;

    struct Fragment {
        QString fileName;
        qint64 size;
    };
    // Where a partly written line was left that could not be cut off yet.
    std::optional<Fragment> fragment_;
};

} // namespace vs
