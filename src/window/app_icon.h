#pragma once
#include <QIcon>

namespace vs {

// The program's icon at every size it ships in (the window, the tray, the about box).
QIcon appIcon();

} // namespace vs
