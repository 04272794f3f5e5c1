#include "settings/plot_settings_io.h"

#include "settings/conversions.h"
#include "settings/settings.h"

#include <algorithm>
#include <cmath>

namespace vs {

namespace k = keys;

PlotSettings loadPlotSettings(const Settings& s)
{
    PlotSettings p;
    FontSpec& f0 = p.FontSet[0];
    f0.name = s.text(k::MainFont);
    f0.size = s.number(k::MainFontSize);
    f0.bold = s.flag(k::MainFontBold);
    f0.underline = s.flag(k::MainFontUL);
    f0.italic = s.flag(k::MainFontItalic);
    FontSpec& f1 = p.FontSet[1];
    f1.name = s.text(k::MainFont1, 0, f0.name);
    f1.size = s.number(k::MainFontSize1, 0, 1.5 * f0.size);
    f1.bold = s.flag(k::MainFontBold1, 0, f0.bold);
    f1.underline = s.flag(k::MainFontUL1, 0, f0.underline);
    f1.italic = s.flag(k::MainFontItalic1, 0, f0.italic);

    p.ShowYvalues = s.number(k::ShowYvalues) == 1;
    p.PlotAutoScale = s.number(k::PlotAutoScale) == 1;
    p.PlotBkgGradient = s.number(k::PlotBkgGradient) == 1;
    p.PlotScroll = s.number(k::PlotScroll) == 1;
    p.PlotGrid = s.number(k::PlotGrid) == 1;
    p.PlotGradientWarnings = s.number(k::PlotGradientWarnings) == 1;
    p.PlotLanes = s.number(k::PlotLanes) == 1;
    for (int i = 0; i < 4; ++i)
        p.Margin[i] = static_cast<int>(leadingInteger(s.text(k::Margin, i), 16));
    p.GradientBcomponent = std::clamp(static_cast<int>(leadingInteger(s.text(k::GradientBcomponent), 32)), 0, 255);
    p.gYaxisTitle = s.text(k::YaxisTitle);
    for (int i = 0; i < 4; ++i) {
        const QString label = s.shownText(k::Label, i);
        if (!label.isEmpty())
            p.TitleLines[i] = label;
    }
    p.PlotTimeStampFormat = s.text(k::TimeStampFormat);
    p.FooterFormat = s.text(k::FooterFormat);
    return p;
}

bool savePlotSettings(const PlotSettings& p, Settings& s)
{
    bool ok = true;
    auto put = [&](const KeyDef& key, int index, const QString& text) { ok = s.save(key, index, text) && ok; };
    const KeyDef* fontKeys[2][5] = {{&k::MainFont, &k::MainFontSize, &k::MainFontBold, &k::MainFontUL, &k::MainFontItalic},
                                    {&k::MainFont1, &k::MainFontSize1, &k::MainFontBold1, &k::MainFontUL1,
                                     &k::MainFontItalic1}};
    for (int f = 0; f < 2; ++f) {
        const FontSpec& font = p.FontSet[f];
        put(*fontKeys[f][0], 0, font.name);
        put(*fontKeys[f][1], 0, QString::number(font.size));
        put(*fontKeys[f][2], 0, flagWord(font.bold));
        put(*fontKeys[f][3], 0, flagWord(font.underline));
        put(*fontKeys[f][4], 0, flagWord(font.italic));
    }
    auto bit = [](bool on) { return QString(on ? "1" : "0"); };
    put(k::PlotGrid, 0, bit(p.PlotGrid));
    put(k::PlotAutoScale, 0, bit(p.PlotAutoScale));
    put(k::PlotBkgGradient, 0, bit(p.PlotBkgGradient));
    put(k::PlotScroll, 0, bit(p.PlotScroll));
    put(k::ShowYvalues, 0, bit(p.ShowYvalues));
    put(k::PlotLanes, 0, bit(p.PlotLanes));
    for (int i = 0; i < 4; ++i)
        put(k::Label, i, bytesSettingFromEdit(p.TitleLines[i]));
    for (int i = 0; i < 4; ++i)
        put(k::Margin, i, QString::number(p.Margin[i]));
    put(k::GradientBcomponent, 0, QString::number(p.GradientBcomponent));
    return ok;
}

double loadReadInterval(const Settings& s)
{
    const QString held = s.text(k::ReadInterval);
    const auto v = strictNumber(held);
    // The timer ticks a quarter of the interval: 1 ms to 65535 ms.
    if (v && std::isfinite(*v) && *v * 250 >= 1 && *v * 250 <= 65535)
        return *v;
    if (!held.trimmed().isEmpty())
        s.noteFallback(k::ReadInterval, 0, held, "1 s");
    return 1.0;
}

bool saveReadInterval(double seconds, Settings& s)
{
    return s.save(k::ReadInterval, 0, QString::number(seconds, 'g', 15));
}

int loadRecordLength(const Settings& s)
{
    return clampRecordLength(static_cast<int>(leadingInteger(s.text(k::RecordLength), 32)));
}

ColorOverride storedColours(const Settings& s)
{
    return [&s](int index, Rgb standard) -> std::optional<Rgb> {
        const double v = s.number(k::Color, index, static_cast<double>(standard));
        return static_cast<Rgb>(static_cast<uint32_t>(static_cast<int64_t>(v)) & 0xFFFFFF);
    };
}

void applyCurveEnables(PlotRecord& plot, const Settings& s)
{
    for (int c = 0; c < plot.nCurves; ++c)
        plot.CurveEnabled[static_cast<size_t>(c)] = s.flag(k::ChEnable, c);
}

} // namespace vs
