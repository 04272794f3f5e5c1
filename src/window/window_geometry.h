#pragma once
#include <QRect>

#include <optional>
#include <vector>

namespace vs {

class Settings;

// Window geometry is stored in twips, 1440 to the inch.
double pixelsToTwips(int pixels, double dotsPerInch);
int twipsToPixels(double twips, double dotsPerInch);

// The main window's stored geometry in twips (defaults: the given current
// one), kept at least 8000 x 4000 and never left of or above the screen.
QRectF storedMainGeometry(const Settings& settings, QRectF currentTwips);
void saveMainGeometry(Settings& settings, QRectF twips);

// `r` moved, and shrunk where it must, to lie wholly within `available`.
QRect keptOnScreen(QRect r, const QRect& available);
// Where a window of `size` goes: at its stored top-left when it has one
// (kept on `available`), else at the top-right corner of `available`; when
// it would cover one of `keepClear` (the main window's title and menu bar,
// the tray icon) it goes below it, else beside it, wherever it covers none.
QPoint cornerPosition(QSize size, const QRect& available, std::optional<QPoint> stored,
                      const std::vector<QRect>& keepClear);
// The air state window's stored top-left, when there is one.
std::optional<QPoint> storedAirStatePosition(const Settings& settings);
void saveAirStatePosition(Settings& settings, QPoint topLeft);

} // namespace vs
