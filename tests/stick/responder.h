#pragma once
// Answers framed text commands written to a script transport from a table of
// reply bodies (what follows "@" + tag + ";"); commands not in the table get no answer.
#include "script_transport.h"

#include <map>

namespace vstest {

inline void answerFromTable(ScriptTransport& dev, std::map<std::string, std::string> table)
{
    auto pending = std::make_shared<std::string>();
    dev.onWrite = [table, pending](ScriptTransport& d, const Report& w) {
        pending->append(w.begin() + 1, w.end());
        for (;;) {
            const auto lf = pending->find('\n');
            if (lf == std::string::npos)
                return;
            std::string frame = pending->substr(0, lf);
            pending->erase(0, lf + 1);
            const auto start = frame.find_first_not_of('@');
            if (start == std::string::npos || frame.size() < start + 4)
                continue;
            const std::string tag = frame.substr(start, 4);
            const std::string command = frame.substr(start + 4);
            if (const auto it = table.find(command); it != table.end())
                d.queueRaw("@" + tag + ";" + it->second);
        }
    };
}

} // namespace vstest
