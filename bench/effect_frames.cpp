// The cost of one 1920 x 1080 frame of each built effect, as the display
// component pays it: the old screen drawn over the screen bitmap, then the
// frame routine (planning, region building and drawing). Every effect is timed at the progress
// values of a change with the default step (4, 8, ..., 96), each the fastest
// of a few repetitions, next to the floor of two full-frame memory copies
// measured in the same run the same way, just before each effect. The run
// goes over all effects several times (passes) and keeps the fastest times,
// so that a moment when the machine was busy elsewhere does not count.
//
// Output, one line each (bench/effects_vs_floor.sh turns it into a table):
//   effect,<number>,<ms per frame, mean over the progress values>,<ms, slowest progress>,<floor ms>,<name>
//   floor,<lowest floor ms of the run>
//
// Usage: bench_effect_frames [--reps N] [--passes N] [--only NUMBER]
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "noise.h"
#include "raster/bitmap24.h"
#include "raster/draw.h"
#include "transition/effect.h"
#include "transition/effect_frame.h"

namespace {

using namespace kestro;
using kestro::bench::Noise;
using Clock = std::chrono::steady_clock;

constexpr int kW = 1920, kH = 1080;

template <typename F>
double FastestMs(int reps, F&& f) {
  double best = 1e30;
  for (int i = 0; i < reps; ++i) {
    const auto t0 = Clock::now();
    f();
    const auto t1 = Clock::now();
    best = std::min(best, std::chrono::duration<double, std::milli>(t1 - t0).count());
  }
  return best;
}

volatile std::uint8_t g_sink;

}  // namespace

int main(int argc, char** argv) {
  int reps = 5;
  int passes = 3;
  int only = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--reps" && i + 1 < argc) {
      reps = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--passes" && i + 1 < argc) {
      passes = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--only" && i + 1 < argc) {
      only = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: bench_effect_frames [--reps N] [--passes N] [--only NUMBER]\n");
      return 2;
    }
  }
  const Bitmap24 oldScreen = Noise(kW, kH, 1);
  const Bitmap24 picture = Noise(kW, kH, 2);
  Bitmap24 screen = Noise(kW, kH, 3);

  // The floor: two full-frame memory copies, through three buffers as large
  // as the three bitmaps of a change. Like the frames it is timed in a loop
  // of its own (both warm), just before each effect, and each effect's ratio
  // is taken to its own floor, so that a busy moment of the machine weighs
  // on both sides alike. Every time is the fastest over all passes.
  const std::size_t n = oldScreen.ByteSize();
  std::vector<std::uint8_t> a(n, 1), b(n, 2), c(n, 3);
  auto measureFloor = [&] {
    return FastestMs(reps * 4, [&] {
      std::memcpy(b.data(), a.data(), n);
      std::memcpy(c.data(), b.data(), n);
      g_sink = c[n / 2];
    });
  };

  std::vector<int> numbers;
  for (int number : BuiltEffects()) {
    if (only == 0 || number == only) numbers.push_back(number);
  }
  std::vector<int> progressValues;
  for (int progress = 4; progress < 100; progress += 4) progressValues.push_back(progress);
  std::vector<double> floorMs(numbers.size(), 1e30);
  std::vector<std::vector<double>> frameMs(numbers.size(), std::vector<double>(progressValues.size(), 1e30));

  EffectFrame frame;
  for (int pass = 0; pass < passes; ++pass) {
    for (std::size_t e = 0; e < numbers.size(); ++e) {
      floorMs[e] = std::min(floorMs[e], measureFloor());
      for (std::size_t k = 0; k < progressValues.size(); ++k) {
        const int number = numbers[e], progress = progressValues[k];
        frameMs[e][k] = std::min(frameMs[e][k], FastestMs(reps, [&] {
                                   Draw(screen, 0, 0, oldScreen);
                                   DrawEffectFrame(number, screen, picture, 4, progress, frame);
                                   g_sink = screen.Bits()[0];
                                 }));
      }
    }
  }
  double lowestFloor = 1e30;
  for (std::size_t e = 0; e < numbers.size(); ++e) {
    double sum = 0, worst = 0;
    for (double ms : frameMs[e]) {
      sum += ms;
      worst = std::max(worst, ms);
    }
    lowestFloor = std::min(lowestFloor, floorMs[e]);
    std::printf("effect,%d,%.4f,%.4f,%.4f,%s\n", numbers[e], sum / static_cast<double>(frameMs[e].size()), worst,
                floorMs[e], FindEffect(numbers[e])->Name);
  }
  std::printf("floor,%.4f\n", lowestFloor);
  return 0;
}
