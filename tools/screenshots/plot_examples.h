#pragma once
#include <QString>

// Writes plot_one_stick.png, plot_two_sticks.png and the lanes pictures
// (plot_lanes_<width>_<light or dark>.png) into the folder.
void savePlotExamples(const QString& folder);
