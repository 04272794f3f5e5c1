#include "plot/plot_text_box.h"

#include "plot/plot_text.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStringList>

namespace vs {

void PlotTextBox::Winprint_init()
{
    TextBuffer.clear();
    TextVisible = false;
    gbWinMessage_TimesToPlot = 0;
    TextBoxFill = rgb(250, 250, 250);
    TextBoxBorder = rgb(0, 0, 30);
    TextColour = rgb(20, 20, 20);
}

bool PlotTextBox::WinPrint(const QString& text)
{
    TextVisible = true;
    if (gbWinMessage_TimesToPlot == 1)
        gbWinMessage_TimesToPlot = 0;
    if (text.isEmpty())
        TextBuffer.clear();
    if (text == QString(QChar(12))) {
        TextBuffer.clear();
        TextVisible = false;
        return true;
    }
    TextBuffer += text;
    return false;
}

void PlotTextBox::WinPrint_Replot(QImage& image, const QFont& font)
{
    if (!TextVisible)
        return;
    if (gbWinMessage_TimesToPlot == 1) {
        TextVisible = false;
        return;
    }
    if (gbWinMessage_TimesToPlot > 1 && --gbWinMessage_TimesToPlot == 1)
        return;

    const QFontMetrics fm(font, &image);
    const int W = image.width();
    const int H = image.height();
    QStringList lines;
    int w = 0;
    int lh = 0;
    auto cut = [&] {
        lines = TextBuffer.split('\n');
        w = 0;
        lh = 0;
        for (QString& line : lines) {
            line = displayLine(line);
            w = std::max(w, fm.horizontalAdvance(line));
            lh = std::max(lh, fm.height());
        }
        while (lines.size() * lh > H && lines.size() > 1)
            lines.removeLast();
    };
    cut();
    int bh = static_cast<int>(lines.size()) * lh + 10;
    if (bh > H) {
        bh = H;
        // The stored text scrolls: its oldest line goes.
        const qsizetype lf = TextBuffer.indexOf('\n');
        TextBuffer = lf < 0 ? QString() : TextBuffer.mid(lf + 1);
        cut();
    }
    const int bw = w + 10;
    const int x0 = (W - bw) / 2;
    const int y0 = (H - bh) / 2;

    QPainter p(&image);
    p.setFont(font);
    p.setPen(QPen(toQColor(TextBoxBorder), 2));
    p.setBrush(toQColor(TextBoxFill));
    p.drawRect(x0, y0, bw, bh);
    p.setPen(toQColor(TextColour));
    for (qsizetype j = lines.size() - 1; j >= 0; --j)
        drawTextAt(p, x0 + 5, y0 + 5 + static_cast<int>(j) * lh, lines[j]);
}

} // namespace vs
