#pragma once
#include <QRect>

namespace vs {

class Settings;

// Window geometry is stored in twips, 1440 to the inch.
double pixelsToTwips(int pixels, double dotsPerInch);
int twipsToPixels(double twips, double dotsPerInch);

// The main window's stored geometry in twips (defaults: the given current
// one), kept at least 8000 x 4000 and never left of or above the screen.
QRectF storedMainGeometry(const Settings& settings, QRectF currentTwips);
void saveMainGeometry(Settings& settings, QRectF twips);

} // namespace vs
