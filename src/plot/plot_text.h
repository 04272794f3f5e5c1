#pragma once
#include "plot/plot_model.h"

#include <QColor>
#include <QFont>
#include <QString>

#include <string>

class QPainter;

namespace vs {

QColor toQColor(Rgb colour);
QRgb toQRgb(Rgb colour);
QFont fontFor(const FontSpec& spec);

// A text held with "\x" escapes: unescaped, its characters taken as bytes and
// read in pairs as UTF-16 (low byte first; an odd last byte is dropped).
QString wideTextFromEscapes(const std::string& escaped);
// A line as it is drawn: wide text when it holds "\x", else as it stands.
QString displayLine(const QString& line);

// The n-th piece (1-based) of text cut at the separator; "" when there are fewer.
std::string plot_TextField(const std::string& text, int n, char separator);

// Text with its top-left corner at (x, y).
void drawTextAt(QPainter& painter, int x, int y, const QString& text);

} // namespace vs
