#include "window/run_window.h"

#include "core/command_line.h"
#include "core/program_objects.h"
#include "core/quit_on_signal.h"
#include "core/services.h"
#include "window/main_window.h"
#include "window/plot_view.h"
#include "window/qt_prompts.h"

#include <QApplication>

namespace vs {

int runWindow(int argc, char** argv, const WindowCompanion& companion)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Ventiscope");
    ProgramObjects objects;
    QtPrompts prompts;
    Services services = objects.services(prompts);

    MainWindow window(services);
    window.resize(960, 640); // the size of a first start; later starts take the stored geometry
    prompts.setParent(&window);
    const std::string commandLine = commandLineText(QApplication::arguments().mid(1));
    // A signal ends the program the way the window's Exit does.
    quitOnTerminationSignals([&window] { window.endProgram(); });
    if (!window.Form_Load(commandLine) || window.ended())
        return 0;
    std::shared_ptr<void> beside;
    if (companion) {
        std::string error;
        beside = companion(window, error);
        if (!error.empty())
            window.plotView().WinPrint(QString::fromStdString(error) + "\n");
    }
    const int code = QApplication::exec();
    beside.reset();
    return code;
}

} // namespace vs
