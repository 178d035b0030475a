// Runs the slideshow runner in a real window on the platform's own timers:
// pictures written to a scratch folder, a show In Order with one effect,
// checks that each picture stands still for the interval after its change,
// that an interval of 0 still moves on after a second, and that destroying
// the runner during a change is clean. Exit status 0 when everything behaved.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/api/clock.h"
#include "platform/api/ui.h"
#include "raster/bitmap24.h"
#include "saver/run_vorelscreen.h"
#include "settings/saver_setting.h"
#include "support/live_checks.h"
#include "support/pictures.h"
#include "transition/effect.h"

using namespace kestro;
using namespace kestro::testing;

namespace {

struct Change {
  std::uint32_t start = 0;
  std::uint32_t end = 0;
  std::int32_t index = -1;
  int style = -1;
};

// A runner over `window` whose changes are recorded.
struct Recorded {
  explicit Recorded(platform::Window& window) : runner(std::make_unique<TRunVorelscreen>(window, false)) {
    TVorelscreen& d = runner->Display();
    d.OnProgress = [this](TCustomVorelscreen&) {
      if (inChange) return;
      inChange = true;
      changes.push_back({platform::GetTickCount(), 0, runner->PictureIndex(), runner->Display().Style()});
    };
    d.OnComplete = [this](TCustomVorelscreen&) {
      inChange = false;
      if (!changes.empty()) changes.back().end = platform::GetTickCount();
      ++completed;
      runner->ChangeCompleted();
    };
  }
  std::unique_ptr<TRunVorelscreen> runner;
  std::vector<Change> changes;
  int completed = 0;
  bool inChange = false;
};

}  // namespace

int main() {
  platform::WindowSystem& ui = platform::UI();
  platform::EventLoop& loop = ui.Loop();

  std::string scratch = "kestro-runner-";
  scratch += std::to_string(platform::GetTickCount());
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / scratch;
  std::filesystem::create_directories(folder);
  for (int i = 0; i < 3; ++i) {
    std::string name = "p";
    name += std::to_string(i);
    name += ".bmp";
    const std::string file = (folder / name).string();
    WriteBmp(file, Bitmap24(120, 90, RGBColor(static_cast<std::uint8_t>(80 * i), 200, 40)));
    SaverSetting.PictureList.push_back(file);
  }
  SaverSetting.ImageSequence = 0;
  SaverSetting.ImageInterval = 1;
  SaverSetting.EffectSpeed2 = 2;  // Step 6, Delay 20: 17 frames
  const int effect = EffectImplemented(5) ? 5 : 0;
  SaverSetting.EnabledEffects.reset();
  SaverSetting.EnabledEffects.set(static_cast<std::size_t>(effect));

  platform::WindowParams params;
  params.title = "Kestro runner";
  params.bounds = {40, 40, 360, 280};
  auto window = ui.NewWindow(params);
  window->Show();

  {
    Recorded show(*window);
    RunUntil(loop, [&] { return show.completed >= 3; }, 30000);
    Check(show.completed >= 3, "three changes completed");
    if (show.changes.size() >= 3) {
      Check(show.changes[0].index == 0 && show.changes[1].index == 1 && show.changes[2].index == 2,
            "pictures 0, 1, 2 in order");
      Check(show.changes[1].style == effect, "the enabled effect");
      for (std::size_t i = 1; i < 3; ++i) {
        const std::uint32_t still = show.changes[i].start - show.changes[i - 1].end;
        std::printf("still for %u ms before change %zu\n", static_cast<unsigned>(still), i);
        Check(still >= 950 && still < 2000, "the picture stands still for the interval after its change");
      }
      if (effect != 0) {
        const std::uint32_t took = show.changes[1].end - show.changes[1].start;
        std::printf("change took %u ms\n", static_cast<unsigned>(took));
        Check(took >= 15 * 20, "the change is paced by the speed setting");
      }
    }
  }

  {
    SaverSetting.ImageInterval = 0;
    Recorded show(*window);
    RunUntil(loop, [&] { return show.completed >= 2; }, 10000);
    Check(show.completed >= 2, "an interval of 0 still moves on to the next picture");
    if (show.changes.size() >= 2) {
      const std::uint32_t still = show.changes[1].start - show.changes[0].end;
      std::printf("interval 0: still for %u ms\n", static_cast<unsigned>(still));
      Check(still >= 950 && still < 2000, "an interval of 0 counts as 1 second");
    }
    // Destroy during the next change.
    RunUntil(loop, [&] { return show.runner->Display().Busy(); }, 5000);
    Check(show.runner->Display().Busy(), "a change runs");
    show.runner.reset();
    RunUntil(loop, [] { return false; }, 300);
    Check(true, "destroyed during a change");
  }

  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  return CheckSummary();
}
