#pragma once
#include "plot/plot_model.h"

#include <QImage>
#include <QString>

#include <functional>
#include <string>

class QMimeData;

namespace vs {

class Prompts;
class Clock;

// The stored samples as clipboard text, oldest first: for every written slot
// its time text, " " TAB, then each enabled curve's value, TAB " ", CR LF.
std::string plot_DataText(const PlotRecord& plot);

// Saving the plot picture to a file chosen by the user.
class ViewSaver {
public:
    ViewSaver(Prompts& prompts, const Clock& clock, QString startFolder);

    // Asks for a file and writes the picture drawn by `draw`: a Windows bitmap,
    // or PNG for a name ending in ".png". Returns the file written, or "" when
    // the user cancelled or the write failed (the user is told why).
    QString SaveView(const std::function<QImage()>& draw);
    bool ViewSaved() const { return saved_; }

private:
    Prompts& prompts_;
    const Clock& clock_;
    QString folder_;
    bool saved_ = false;
};

// The default folder for snapshots: "Ventiscope" in the user's pictures folder.
QString defaultViewFolder();

// The clipboard item of "Copy graph": the data text and the picture together.
QMimeData* copyGraphData(PlotRecord& plot, const std::function<QImage()>& draw);

} // namespace vs
