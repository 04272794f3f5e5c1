#pragma once
#include <QString>

// Writes plot_one_stick.png and plot_two_sticks.png into the folder.
void savePlotExamples(const QString& folder);
