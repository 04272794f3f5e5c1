#include "web/web_service.h"

#include "service/console_face.h"
#include "web/web_face.h"

namespace vs {

std::shared_ptr<void> startServiceWebFace(Services& services, MonitorCore& core, ConsoleFace& console,
                                          std::string& error)
{
    std::unique_ptr<WebFace> web = WebFace::start(services, core, [&console] {
        QStringList lines;
        for (const std::string& line : console.recentLines())
            lines << QString::fromStdString(line);
        return lines;
    }, error);
    if (!web)
        return nullptr;
    console.line("Web page on " + web->where());
    if (!web->pageInstalled())
        console.line("Warning: the web page's files are missing from " + web->pageFolder().toStdString() +
                         "; only its readings (api/sticks) are answered",
                     ConsoleFace::Warning);
    return std::shared_ptr<WebFace>(std::move(web));
}

} // namespace vs
