// One 1920 x 1080 frame's worth of raster work per iteration, next to the
// floor of two full-frame memory copies measured in the same run
// (bench/raster_ratios.sh prints every case as a multiple of the floor).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "noise.h"
#include "raster/bitmap24.h"
#include "raster/draw.h"
#include "raster/region.h"
#include "raster/stretch.h"

namespace kestro {
namespace {

constexpr int W = 1920, H = 1080;

using bench::Noise;

void Floor_TwoFrameCopies(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(W) * H * 3;
  std::vector<std::uint8_t> a(n, 1), b(n, 2), c(n, 3);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), n);
    std::memcpy(c.data(), b.data(), n);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(Floor_TwoFrameCopies);

// A few hundred squares scattered over the frame (random-squares style).
void Clip_300Rects(benchmark::State& state) {
  Bitmap24 screen = Noise(W, H, 1);
  const Bitmap24 picture = Noise(W, H, 2);
  std::uint32_t seed = 7;
  for (auto _ : state) {
    Region r;
    for (int i = 0; i < 300; ++i) {
      seed = seed * 1664525u + 1013904223u;
      const int x = static_cast<int>((seed >> 8) % W), y = static_cast<int>((seed >> 4) % H);
      r |= Region::FromRect(x, y, x + 64, y + 64);
    }
    DrawThroughRegion(screen, picture, r);
    benchmark::DoNotOptimize(screen.Bits());
  }
}
BENCHMARK(Clip_300Rects);

// The same squares joined in one sweep.
void Clip_300RectsAtOnce(benchmark::State& state) {
  Bitmap24 screen = Noise(W, H, 1);
  const Bitmap24 picture = Noise(W, H, 2);
  std::uint32_t seed = 7;
  std::vector<TRect> rects(300);
  for (auto _ : state) {
    for (TRect& r : rects) {
      seed = seed * 1664525u + 1013904223u;
      const int x = static_cast<int>((seed >> 8) % W), y = static_cast<int>((seed >> 4) % H);
      r = TRect{x, y, x + 64, y + 64};
    }
    DrawThroughRegion(screen, picture, Region::FromRects(rects));
    benchmark::DoNotOptimize(screen.Bits());
  }
}
BENCHMARK(Clip_300RectsAtOnce);

// 216 five-pixel bands from top to bottom, each OR-ed on as it comes (the
// bars and slats build their regions this way).
void Clip_216BandsInOrder(benchmark::State& state) {
  Bitmap24 screen = Noise(W, H, 1);
  const Bitmap24 picture = Noise(W, H, 2);
  for (auto _ : state) {
    Region r;
    for (int y = 0; y < H; y += 5) r |= Region::FromRect((y / 5) % 2 ? 0 : W / 3, y, W, y + 5);
    DrawThroughRegion(screen, picture, r);
    benchmark::DoNotOptimize(screen.Bits());
  }
}
BENCHMARK(Clip_216BandsInOrder);

// RR(-2W, -5, 2PX, H + 5, 2W, 2W) at progress 50.
void Clip_RoundRect(benchmark::State& state) {
  Bitmap24 screen = Noise(W, H, 1);
  const Bitmap24 picture = Noise(W, H, 2);
  for (auto _ : state) {
    const Region r = Region::RoundRect(-2 * W, -5, W, H + 5, 2 * W, 2 * W);
    DrawThroughRegion(screen, picture, r);
    benchmark::DoNotOptimize(screen.Bits());
  }
}
BENCHMARK(Clip_RoundRect);

// The 10 x 10 grid of growing triangles at progress 50.
void Clip_100Triangles(benchmark::State& state) {
  Bitmap24 screen = Noise(W, H, 1);
  const Bitmap24 picture = Noise(W, H, 2);
  const int PX = W / 2, T2 = (PX / 5) * H / W;
  for (auto _ : state) {
    Region r;
    for (int k = 0; k < 10; ++k) {
      for (int i = 0; i < 10; ++i) {
        const int x0 = W * i / 10, y0 = H * k / 10;
        r |= Region::Polygon(std::vector<TPoint>{{x0, y0}, {x0 + PX / 5, y0}, {x0, y0 + T2}});
      }
    }
    DrawThroughRegion(screen, picture, r);
    benchmark::DoNotOptimize(screen.Bits());
  }
}
BENCHMARK(Clip_100Triangles);

void Stretch_EnlargeFullFrame(benchmark::State& state) {
  Bitmap24 screen(W, H);
  const Bitmap24 picture = Noise(W * 2 / 3, H * 2 / 3, 3);
  for (auto _ : state) {
    StretchCopy(screen, screen.Bounds(), picture, picture.Bounds());
    benchmark::DoNotOptimize(screen.Bits());
  }
}
BENCHMARK(Stretch_EnlargeFullFrame);

void Stretch_ShrinkFullFrame(benchmark::State& state) {
  Bitmap24 screen(W, H);
  const Bitmap24 picture = Noise(W * 4 / 3, H * 4 / 3, 4);
  for (auto _ : state) {
    StretchCopy(screen, screen.Bounds(), picture, picture.Bounds());
    benchmark::DoNotOptimize(screen.Bits());
  }
}
BENCHMARK(Stretch_ShrinkFullFrame);

// Push: the old picture squeezed into the right half of itself.
void Stretch_SqueezeInPlace(benchmark::State& state) {
  Bitmap24 screen = Noise(W, H, 5);
  for (auto _ : state) {
    StretchCopy(screen, TRect{W / 2, 0, W, H}, screen, screen.Bounds());
    benchmark::DoNotOptimize(screen.Bits());
  }
}
BENCHMARK(Stretch_SqueezeInPlace);

}  // namespace
}  // namespace kestro

BENCHMARK_MAIN();
