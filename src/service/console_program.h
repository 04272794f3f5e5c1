#pragma once
#include "core/program_objects.h"
#include "core/services.h"
#include "service/console_face.h"
#include "service/service_prompts.h"

#include <QCoreApplication>

#include <iostream>

namespace vs {

// What a run without a window needs: the application, the program's
// objects, the console face on standard output and its prompts.
struct ConsoleProgram {
    ConsoleProgram(int& argc, char** argv) : app(argc, argv)
    {
        QCoreApplication::setApplicationName("Ventiscope");
    }
    QCoreApplication app;
    ProgramObjects objects;
    ConsoleFace face{objects.clock, std::cout};
    ServicePrompts prompts{[this](const std::string& line) { face.line(line); }};
    Services services = objects.services(prompts);
};

} // namespace vs
