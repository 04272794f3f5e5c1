#pragma once
#include "plot/plot_model.h"

#include <QImage>
#include <QString>

#include <functional>
#include <optional>
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

// Writes a picture whole or not at all: PNG, or SVG (the picture carried
// in it as PNG, at its size) for a name ending in ".svg". "" when written,
// else why not.
QString writePictureFile(const QImage& image, const QString& file);
// A picture size as a person writes it ("1920x1080", "1920 x 1080",
// "1920×1080"), each side 16 .. 10000 pixels.
std::optional<QSize> pictureSize(const QString& text);

// The default folder for snapshots: "Ventiscope" in the user's pictures folder.
QString defaultViewFolder();

// The clipboard item of "Copy graph": the data text and the picture together.
QMimeData* copyGraphData(PlotRecord& plot, const std::function<QImage()>& draw);

} // namespace vs
