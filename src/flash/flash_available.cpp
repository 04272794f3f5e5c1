#include "flash/flash_available.h"

#include "stick/stick_link.h"

namespace vs {

bool nymstick_CheckFlashAvailable(const StickLink& link, int stick)
{
    const StickRecord* s = link.slot(stick);
    if (!s)
        return false;
    for (int k = 0; k < s->nKnobs && k < static_cast<int>(s->Knobs.size()); ++k)
        if (s->Knobs[static_cast<size_t>(k)].Name == "LogInterval")
            return s->Knobs[static_cast<size_t>(k)].Value != 0;
    return false;
}

bool CheckFlashAvailable(const StickLink& link)
{
    for (int i = 0; i < link.SlotsReserved; ++i)
        if (link.Nymstick_isOpen(i) && nymstick_CheckFlashAvailable(link, i))
            return true;
    return false;
}

} // namespace vs
