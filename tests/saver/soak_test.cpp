// A long headless show: 2,000 changes through every built effect, with
// pictures of mixed sizes, captions and random placement. The process's
// resident memory and the window system's live windows, timers and threads
// must not grow between change 200 and change 2,000.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>

#include "saver/runner_fixture.h"

namespace kestro::testing {
namespace {

// Resident memory of this process in KiB, from /proc/self/status; nothing
// where the file does not exist.
std::optional<long> ResidentKiB() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("VmRSS:", 0) == 0) {
      std::istringstream fields(line.substr(6));
      long kib = 0;
      if (fields >> kib) return kib;
    }
  }
  return std::nullopt;
}

struct Snapshot {
  long residentKiB = 0;
  std::size_t windows = 0;
  std::size_t timers = 0;
  std::size_t threads = 0;
};

class RunnerSoak : public RunnerTest {};

TEST_F(RunnerSoak, TwoThousandChangesLeakNothing) {
  if (!ResidentKiB()) GTEST_SKIP() << "no /proc/self/status on this system";
  constexpr int kChanges = 2000;
  constexpr int kFirstMeasure = 200;
  MakeWindow(320, 240);
  const std::vector<std::pair<int, int>> sizes{{320, 240}, {160, 120}, {400, 300}, {50, 200},
                                               {300, 60},  {1, 1},     {640, 100}, {90, 90}};
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    AddPicture("p" + std::to_string(i) + ".bmp",
               PositionBitmap(sizes[i].first, sizes[i].second, static_cast<std::uint8_t>(i * 17)));
  }
  std::vector<int> effects{0};
  for (int n = 1; n <= kEffectCount; ++n) {
    if (EffectImplemented(n)) effects.push_back(n);
  }
  SaverSetting.ImageInterval = 1;
  SaverSetting.EffectSpeed2 = 1;
  SaverSetting.RandomPosition = true;
  SaverSetting.CaptionPosition = 1;
  SaverSetting.EnabledEffects = Effects({effects[0]});

  std::size_t next = 1;
  Snapshot at200;
  Snapshot atEnd;
  auto snapshot = [this] {
    return Snapshot{*ResidentKiB(), ui.Windows().size(), ui.LiveTimers(), ui.LiveThreads()};
  };
  // Each completed change sets up the next effect of the cycle.
  onCompleted = [&] {
    SaverSetting.EnabledEffects = Effects({effects[next++ % effects.size()]});
    // Keep the test's own records from growing: the change list, the
    // caption renderer's list of draws and the headless window's list of
    // every paint it ran.
    changes.clear();
    text.drawn.clear();
    static_cast<platform::HeadlessWindow&>(*window).ClearPaints();
  };
  const auto started = std::chrono::steady_clock::now();
  Start();
  RunChanges(kFirstMeasure, 24ull * 3600 * 1000);
  ASSERT_EQ(completed, kFirstMeasure);
  at200 = snapshot();
  RunChanges(kChanges, 24ull * 3600 * 1000);
  ASSERT_EQ(completed, kChanges);
  atEnd = snapshot();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

  std::printf("soak: %d changes over %zu effects in %.1f s (show time %.0f s)\n", kChanges, effects.size(), seconds,
              static_cast<double>(ui.Now()) / 1000.0);
  std::printf("soak: resident %ld KiB after %d changes, %ld KiB after %d (%+ld KiB)\n", at200.residentKiB,
              kFirstMeasure, atEnd.residentKiB, kChanges, atEnd.residentKiB - at200.residentKiB);
  std::printf("soak: windows %zu/%zu, timers %zu/%zu, threads %zu/%zu\n", at200.windows, atEnd.windows,
              at200.timers, atEnd.timers, at200.threads, atEnd.threads);

  EXPECT_EQ(atEnd.windows, at200.windows);
  EXPECT_EQ(atEnd.timers, at200.timers);
  EXPECT_EQ(atEnd.threads, at200.threads);
  EXPECT_LE(atEnd.threads, 1u) << "at most the last, finished worker waits to be joined";
  // A prepared picture is about the window's size (320 x 240 x 3 bytes); a
  // leak of one bitmap per change would add hundreds of megabytes.
  EXPECT_LT(atEnd.residentKiB - at200.residentKiB, 1024) << "resident memory grew";
}

}  // namespace
}  // namespace kestro::testing
