#pragma once
#include <QIcon>
#include <QString>

namespace vs {

// Where the files installed beside the program live (icons, pictures,
// sounds, manual): $VENTISCOPE_DATA_DIR, else <exe dir>/../share/ventiscope,
// else the executable's folder.
QString dataFolder();
QString dataFile(const QString& name);
// The program's icon at every size it ships in (the window, the tray, the about box).
QIcon appIcon();

} // namespace vs
