#include "app/window_web.h"

#include "web/web_face.h"
#include "window/main_window.h"
#include "window/plot_view.h"

namespace vs {

std::shared_ptr<void> startWindowWebFace(MainWindow& window, std::string& error)
{
    std::unique_ptr<WebFace> web = WebFace::start(window.services(), window.core(), [&window] {
        return window.plotView().textBox().TextBuffer.split('\n', Qt::SkipEmptyParts);
    }, error);
    if (!web) {
        if (!error.empty())
            error = "Web: " + error;
        return nullptr;
    }
    window.plotView().WinPrint(QString::fromStdString("Web page on " + web->where() + "\n"));
    if (!web->pageInstalled())
        window.plotView().WinPrint("The web page's files are missing from " + web->pageFolder() +
                                   "; only its readings (api/sticks) are answered\n");
    return std::shared_ptr<WebFace>(std::move(web));
}

} // namespace vs
