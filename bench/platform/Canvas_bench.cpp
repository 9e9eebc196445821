// Costs of the canvas operations one composed frame is made of, at the main window's sizes.
#include "platform/Bitmap.h"

#include <benchmark/benchmark.h>

namespace {

void Fill(TBitmap& bitmap) {
    for (int y = 0; y < bitmap.Height(); ++y) {
        std::uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width() * bitmap.BytesPerPixel(); ++x) {
            row[x] = static_cast<std::uint8_t>(x * 31 + y * 17);
        }
    }
}

// The echo image (719 x 525) stretched onto the square of a 719 x 504 destination.
void HalftoneEchoToSquare(benchmark::State& state) {
    TBitmap echo(719, 525);
    Fill(echo);
    TBitmap square(719, 719);
    for (auto _ : state) {
        square.Canvas().StretchDraw({0, 0, 719, 719}, echo, true);
        benchmark::DoNotOptimize(square.ScanLine(0));
    }
}
BENCHMARK(HalftoneEchoToSquare)->Unit(benchmark::kMillisecond);

// A 2000 x 2000 map picture shrunk into the 719 x 525 background.
void HalftoneMapShrink(benchmark::State& state) {
    TBitmap map(2000, 2000, TPixelFormat::Bits24);
    Fill(map);
    TBitmap background(719, 525);
    for (auto _ : state) {
        background.Canvas().StretchDraw({100, 0, 625, 525}, map, true);
        benchmark::DoNotOptimize(background.ScanLine(0));
    }
}
BENCHMARK(HalftoneMapShrink)->Unit(benchmark::kMillisecond);

// The square copied onto the frame, cut at top and bottom.
void CopySquareToFrame(benchmark::State& state) {
    TBitmap square(719, 719);
    Fill(square);
    TBitmap frame(719, 504);
    for (auto _ : state) {
        frame.Canvas().Draw(0, -107, square);
        benchmark::DoNotOptimize(frame.ScanLine(0));
    }
}
BENCHMARK(CopySquareToFrame)->Unit(benchmark::kMillisecond);

// Two passes of five rings and the centre dot.
void RangeRings(benchmark::State& state) {
    TBitmap frame(719, 504);
    TCanvas& canvas = frame.Canvas();
    const int cx = 360;
    const int cy = 253;
    const int radius = 323;
    for (auto _ : state) {
        for (int pass = 0; pass < 2; ++pass) {
            canvas.SetPenWidth(pass == 0 ? 2 : 1);
            canvas.SetBrushStyle(TBrushStyle::Clear);
            for (int n = 5; n >= 1; --n) {
                const int r = radius * n;
                canvas.Ellipse(static_cast<int>(cx - 0.2 * r), static_cast<int>(cy - 0.2 * r),
                               static_cast<int>(cx + 0.2 * r), static_cast<int>(cy + 0.2 * r));
            }
            canvas.SetBrushStyle(TBrushStyle::Solid);
            canvas.Ellipse(cx - 4, cy - 4, cx + 4, cy + 4);
        }
        benchmark::DoNotOptimize(frame.ScanLine(0));
    }
}
BENCHMARK(RangeRings)->Unit(benchmark::kMicrosecond);

// The legend strip copied with its key colour left out.
void KeyedLegendCopy(benchmark::State& state) {
    TBitmap legend(50, 600);
    Fill(legend);
    legend.SetTransparentColour(legend.Pixel(0, 0));
    legend.SetTransparent(true);
    TBitmap frame(719, 504);
    for (auto _ : state) {
        frame.Canvas().Draw(5, 5, legend);
        benchmark::DoNotOptimize(frame.ScanLine(0));
    }
}
BENCHMARK(KeyedLegendCopy)->Unit(benchmark::kMicrosecond);

} // namespace
