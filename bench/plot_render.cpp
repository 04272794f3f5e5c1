// Full redraws of the trend plot at 1920 x 1080: 10 enabled curves with the
// gradient background, grid, markers and legend on, scrolling on and off; for
// comparison the same plot with one painter line per segment, the same plot
// at 100 slotCount, and a bare fill of the image.
#include "plot/plot_renderer.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

namespace {

vs::PlotRecord makePlot(int slotCount)
{
    vs::PlotRecord plot;
    vs::plot_Init(plot);
    for (int k = 0; k < 10; ++k) {
        vs::plot_AddCurve(plot, "0:" + std::to_string(k), vs::rgb(25 * k, 255 - 20 * k, 100));
        plot.CurveName.back() = "Channel " + std::to_string(k);
        plot.CurveUnit.back() = "ppm";
    }
    plot.RecordLength = slotCount;
    vs::plot_SetupStore(plot);
    std::mt19937 rng(42);
    std::normal_distribution<double> noise(0, 15);
    for (int i = 0; i < slotCount; ++i) {
        plot.SampleText[static_cast<size_t>(i)] = "12:" + std::to_string(10 + i % 50) + ":00";
        for (int k = 0; k < 10; ++k)
            plot.at(i, k) = static_cast<int32_t>((1000 + 80 * k + 600 * std::sin(i * 0.002 + k) + noise(rng)) * 100);
    }
    plot.WriteIndex = slotCount / 3;
    plot.WarnLevels = {1000, 1500};
    plot.Markers.clear();
    for (int i = slotCount / 10; i < slotCount / 5; ++i)
        plot.Markers.push_back(static_cast<int16_t>(i));
    plot.nMarkers = static_cast<int>(plot.Markers.size());
    plot.FooterText = "06.12.2026";
    return plot;
}

void redraw(benchmark::State& state, int slotCount, bool scroll, vs::CurveDrawing how)
{
    vs::PlotRecord plot = makePlot(slotCount);
    vs::PlotSettings settings;
    settings.PlotScroll = scroll;
    settings.PlotGrid = true;
    settings.PlotBkgGradient = true;
    settings.PlotGradientWarnings = true;
    QImage image = vs::makePlotImage(1920, 1080);
    vs::PlotGeometry g;
    for (auto _ : state) {
        vs::plot_AutoScale(plot, settings);
        vs::plot_Draw(plot, settings, image, g, how);
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_Redraw20000_Scrolling(benchmark::State& s) { redraw(s, 20000, true, vs::CurveDrawing::Decimated); }
void BM_Redraw20000_Sweeping(benchmark::State& s) { redraw(s, 20000, false, vs::CurveDrawing::Decimated); }
void BM_Redraw20000_Naive_Scrolling(benchmark::State& s) { redraw(s, 20000, true, vs::CurveDrawing::PainterPerSegment); }
void BM_Redraw20000_Naive_Sweeping(benchmark::State& s) { redraw(s, 20000, false, vs::CurveDrawing::PainterPerSegment); }
void BM_Redraw100_Scrolling(benchmark::State& s) { redraw(s, 100, true, vs::CurveDrawing::Decimated); }

void BM_ImageFillOnly(benchmark::State& state)
{
    QImage image = vs::makePlotImage(1920, 1080);
    for (auto _ : state) {
        image.fill(Qt::white);
        benchmark::DoNotOptimize(image.constBits());
    }
}

constexpr int kRepetitions = 15;
BENCHMARK(BM_Redraw20000_Scrolling)->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_Redraw20000_Sweeping)->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_Redraw20000_Naive_Scrolling)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Redraw20000_Naive_Sweeping)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Redraw100_Scrolling)->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_ImageFillOnly)->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
