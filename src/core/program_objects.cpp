#include "core/program_objects.h"

#include "core/event_wait.h"
#include "core/services.h"
#include "stick/hidapi_backend.h"
#include "stick/sim_backend.h"
#include "stick/simulate_env.h"

#include <QLocale>

#include <iostream>

namespace vs {

namespace {

std::unique_ptr<HidBackend> makeBackend(const Clock& clock)
{
    const QByteArray simulate = qgetenv("VENTISCOPE_SIMULATE");
    if (simulate.isEmpty())
        return std::make_unique<HidapiBackend>();
    const SimParse parsed = parseSimulateSpec(simulate.toStdString());
    for (const std::string& e : parsed.errors)
        std::cerr << "VENTISCOPE_SIMULATE: " << e << " (ignored)" << std::endl;
    auto bus = std::make_unique<SimulatedBackend>(clock);
    for (const SimSpec& spec : parsed.specs)
        bus->plug(spec);
    return bus;
}

} // namespace

NamedDateFormats systemDateFormats()
{
    auto toPicture = [](QString qt) {
        // Qt's "dd.MM.yyyy" / "HH:mm:ss" as the program's pictures.
        qt.replace("MMMM", "mmmm").replace("MMM", "mmm").replace("MM", "mm").replace("M", "m");
        return qt.toStdString();
    };
    NamedDateFormats f;
    const QLocale locale = QLocale::system();
    f.shortDate = toPicture(locale.dateFormat(QLocale::ShortFormat));
    f.longDate = toPicture(locale.dateFormat(QLocale::LongFormat));
    return f;
}

ProgramObjects::ProgramObjects()
    : link(clock, eventLoopWait()), backend(makeBackend(clock)), scanner(link, *backend)
{
    link.randomiseCounters();
}

ProgramObjects::~ProgramObjects() = default;

Services ProgramObjects::services(Prompts& prompts)
{
    return Services{clock, link, trace, settings, prompts, scanner, plot, plotSettings, systemDateFormats()};
}

} // namespace vs
