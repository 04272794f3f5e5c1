#pragma once
#include <string>
#include <vector>

namespace vs {

class StickLink;
class Prompts;

// The rows of the knob and flag grids, and what a double click on one does.
// No widget here: the dialog shows the rows and hands back the clicked one.
//
// Every knob (flag) of every valid stick gets one row, sticks in table
// order, items in record order. Sticks may have different numbers of knobs,
// so every row keeps which stick and item it shows.
struct GridRow {
    int stick = 0;
    int item = 0;
    std::vector<std::string> cells; // knobs: name, min, max, value; flags: name, value
};

enum class GridKind { Knobs, Flags };

std::vector<GridRow> gridRows(const StickLink& link, GridKind kind);

// Asks for the new value of the row's knob or flag and sends it; true when
// the stick took it (its knobs or flags and warn knobs are read again then).
// An empty or cancelled answer, or an answer outside the knob's limits,
// changes nothing (the latter says so).
bool editGridRow(StickLink& link, Prompts& prompts, GridKind kind, const GridRow& row);

} // namespace vs
