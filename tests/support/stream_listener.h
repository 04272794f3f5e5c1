#pragma once
// A listener whose every answer is an event stream that stays open.
#include "publish/http_listener.h"

namespace vstest {

inline std::unique_ptr<vs::HttpListener> streamListener(std::string& error)
{
    return vs::HttpListener::start("127.0.0.1:0", [](const vs::HttpRequest&) {
        vs::HttpReply r{"200 OK", "text/event-stream"};
        r.stream = true;
        return r;
    }, error);
}

} // namespace vstest
