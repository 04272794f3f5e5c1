// Full redraws of the trend plot at 1920 x 1080: 10 enabled curves with the
// gradient background, grid, markers and legend on, scrolling on and off; for
// comparison the same plot with one painter line per segment, the same plot
// at 100 slotCount, and a bare fill of the image. Then the same 20000 x 10
// in lanes by unit (four units), with its ratio to the single scale measured
// alternately in one run.
#include "plot/plot_renderer.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>
#include <random>

namespace {

vs::PlotRecord makePlot(int slotCount)
{
    vs::PlotRecord plot;
    vs::plot_Init(plot);
    for (int k = 0; k < 10; ++k) {
        vs::plot_AddCurve(plot, "0:" + std::to_string(k), vs::rgb(25 * k, 255 - 20 * k, 100));
        plot.CurveName.back() = "Channel " + std::to_string(k);
        plot.CurveUnit.back() = std::vector<std::string>{"ppm", "C", "%RH", "ohm", "ohm"}[k % 5];
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

void redraw(benchmark::State& state, int slotCount, bool scroll, vs::CurveDrawing how, bool lanes = false)
{
    vs::PlotRecord plot = makePlot(slotCount);
    vs::PlotSettings settings;
    settings.PlotLanes = lanes;
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
void BM_Redraw20000_Lanes_Scrolling(benchmark::State& s) { redraw(s, 20000, true, vs::CurveDrawing::Decimated, true); }

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
BENCHMARK(BM_Redraw20000_Lanes_Scrolling)->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_ImageFillOnly)->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);

// Lanes against the single scale, redrawn in turn so that both see the same machine.
void printLanesRatio()
{
    vs::PlotRecord plot = makePlot(20000);
    vs::PlotSettings single, lanes;
    single.PlotGrid = lanes.PlotGrid = true;
    lanes.PlotLanes = true;
    QImage image = vs::makePlotImage(1920, 1080);
    vs::PlotGeometry g;
    std::vector<double> ms[2];
    for (int i = 0; i < 41; ++i)
        for (int which = 0; which < 2; ++which) {
            const auto start = std::chrono::steady_clock::now();
            vs::plot_AutoScale(plot, which ? lanes : single);
            vs::plot_Draw(plot, which ? lanes : single, image, g);
            ms[which].push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
    for (auto& v : ms)
        std::sort(v.begin(), v.end());
    const double a = ms[0][ms[0].size() / 2], b = ms[1][ms[1].size() / 2];
    std::printf("redraw 20000 x 10 at 1920 x 1080, median of 41: single scale %.2f ms, lanes by unit %.2f ms, "
                "ratio %.2f\n", a, b, b / a);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printLanesRatio();
    return 0;
}
