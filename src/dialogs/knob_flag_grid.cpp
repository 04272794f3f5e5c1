#include "dialogs/knob_flag_grid.h"

#include "common/numformat.h"
#include "common/prompts.h"
#include "stick/fields.h"
#include "stick/knob_flag.h"
#include "stick/stick_link.h"

#include <algorithm>
#include <cmath>

namespace vs {

namespace {

int validSticks(const StickLink& link)
{
    int n = 0;
    for (int i = 0; i < link.SlotsReserved; ++i)
        n += link.Nymstick_isOpen(i) ? 1 : 0;
    return n;
}

// Names carry their stick's index once there is more than one stick.
std::string prefix(const StickLink& link, int stick)
{
    return validSticks(link) >= 2 ? std::to_string(stick) + ":" : std::string();
}

} // namespace

std::vector<GridRow> gridRows(const StickLink& link, GridKind kind)
{
    std::vector<GridRow> rows;
    for (int s = 0; s < link.SlotsReserved; ++s) {
        const StickRecord* r = link.slot(s);
        if (!r || !link.Nymstick_isOpen(s))
            continue;
        const std::string p = prefix(link, s);
        if (kind == GridKind::Knobs) {
            const int n = std::min<int>(r->nKnobs, static_cast<int>(r->Knobs.size()));
            for (int k = 0; k < n; ++k) {
                const KnobRecord& knob = r->Knobs[static_cast<size_t>(k)];
                rows.push_back({s, k,
                                {p + knob.Name, generalNumber(knob.Min), generalNumber(knob.Max),
                                 formatNumber(knobDisplayFromRaw(knob, knob.Value), "##0.00")}});
            }
        } else {
            for (size_t k = 0; k < r->Flags.size(); ++k)
                rows.push_back({s, static_cast<int>(k), {p + r->Flags[k].Name, r->Flags[k].Value}});
        }
    }
    return rows;
}

bool editGridRow(StickLink& link, Prompts& prompts, GridKind kind, const GridRow& row)
{
    if (validSticks(link) == 0 || !link.Nymstick_isOpen(row.stick))
        return false;
    const StickRecord* s = link.slot(row.stick);
    const std::string p = prefix(link, row.stick);
    if (kind == GridKind::Flags) {
        if (row.item < 0 || row.item >= static_cast<int>(s->Flags.size()) || row.cells.size() < 2)
            return false;
        const auto answer = prompts.inputText(
            "Enter new " + p + s->Flags[static_cast<size_t>(row.item)].Name + " value ", "", row.cells[1]);
        if (!answer || answer->empty())
            return false;
        const double v = std::trunc(realValue(*answer));
        const auto value = static_cast<int32_t>(std::clamp(v, -2147483648.0, 2147483647.0));
        return SetFlag(link, prompts, row.stick, row.item, value);
    }
    if (row.item < 0 || row.item >= static_cast<int>(s->Knobs.size()) || row.cells.size() < 4)
        return false;
    const KnobRecord& knob = s->Knobs[static_cast<size_t>(row.item)];
    const auto answer = prompts.inputText("Enter new " + p + knob.Name + " value (" + row.cells[1] + "..." +
                                              row.cells[2] + ") " + knob.Unit,
                                          "", row.cells[3]);
    if (!answer || answer->empty())
        return false;
    return SetKnob(link, prompts, row.stick, row.item, *answer).has_value();
}

} // namespace vs
