#include "plot/plot_text.h"

#include "stick/fields.h"

#include <QFontMetrics>
#include <QPainter>

namespace vs {

QColor toQColor(Rgb c)
{
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

QRgb toQRgb(Rgb c)
{
    return qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

QFont fontFor(const FontSpec& spec)
{
    QFont f(spec.name);
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(spec.size > 0 ? spec.size : 8);
    f.setBold(spec.bold);
    f.setUnderline(spec.underline);
    f.setItalic(spec.italic);
    return f;
}

QString wideTextFromEscapes(const std::string& escaped)
{
    const std::string bytes = Unescape(escaped);
    QString out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        out.append(QChar(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                               (static_cast<unsigned char>(bytes[i + 1]) << 8))));
    return out;
}

QString displayLine(const QString& line)
{
    return line.contains("\\x") ? wideTextFromEscapes(line.toStdString()) : line;
}

std::string plot_TextField(const std::string& text, int n, char separator)
{
    size_t start = 0;
    for (int i = 1; i < n; ++i) {
        const size_t p = text.find(separator, start);
        if (p == std::string::npos)
            return "";
        start = p + 1;
    }
    const size_t end = text.find(separator, start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

void drawTextAt(QPainter& painter, int x, int y, const QString& text)
{
    painter.drawText(QPoint(x, y + painter.fontMetrics().ascent()), text);
}

} // namespace vs
