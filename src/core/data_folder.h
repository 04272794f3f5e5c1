#pragma once
#include <QString>

namespace vs {

// Where the files installed beside the program live (icons, pictures,
// sounds, manual): $VENTISCOPE_DATA_DIR, else <exe dir>/../share/ventiscope,
// else the executable's folder.
QString dataFolder();
QString dataFile(const QString& name);

} // namespace vs
