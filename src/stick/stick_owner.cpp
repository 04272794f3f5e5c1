#include "stick/stick_owner.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace vs {

namespace {

std::string baseName(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The process holding an exclusive flock on the inode, from /proc/locks:
// "1: FLOCK  ADVISORY  WRITE 812 00:05:1234 0 EOF" (device numbers in hex).
long lockHolderPid(const struct stat& node)
{
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream in(line);
        std::string id, kind, mode, access, where;
        long pid = 0;
        if (!(in >> id >> kind) || kind == "->" || kind != "FLOCK")
            continue;
        if (!(in >> mode >> access >> pid >> where))
            continue;
        unsigned maj = 0, min = 0;
        unsigned long inode = 0;
        if (std::sscanf(where.c_str(), "%x:%x:%lu", &maj, &min, &inode) != 3)
            continue;
        if (inode == node.st_ino && maj == major(node.st_dev) && min == minor(node.st_dev))
            return pid;
    }
    return 0;
}

} // namespace

std::string holderFromCommandLine(const std::string& cmdline, long pid)
{
    std::vector<std::string> args;
    std::string arg;
    for (char c : cmdline) {
        if (c == '\0') {
            args.push_back(arg);
            arg.clear();
        } else {
            arg += c;
        }
    }
    if (!arg.empty())
        args.push_back(arg);
    const std::string process = " (process " + std::to_string(pid) + ")";
    if (args.empty())
        return "another program" + process;
    const std::string program = baseName(args[0]);
    if (program != "ventiscope")
        return program + process;
    for (size_t i = 1; i < args.size(); ++i)
        if (args[i] == "--headless")
            return "the Ventiscope service" + process +
                   "; stop it (sudo systemctl stop ventiscope) to use the stick here";
    return "another Ventiscope window" + process + "; close it to use the stick here";
}

std::string stickHolder(const std::string& path)
{
    struct stat node {};
    if (::stat(path.c_str(), &node) != 0)
        return {};
    const long pid = lockHolderPid(node);
    if (pid <= 0)
        return {};
    std::ifstream file("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
    std::ostringstream cmdline;
    cmdline << file.rdbuf();
    return holderFromCommandLine(cmdline.str(), pid);
}

bool lockStick(const std::string& path, int& fd, std::string& reason)
{
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return true; // the open of the stick itself says why
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return true;
    const int code = errno;
    ::close(fd);
    fd = -1;
    if (code != EWOULDBLOCK)
        return true; // a file system without locks: nobody to keep out
    const std::string holder = stickHolder(path);
    reason = "in use by another program" + (holder.empty() ? std::string() : ": " + holder);
    return false;
}

} // namespace vs
