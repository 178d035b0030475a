// Runs the transition display component in a real window: changes between
// two generated pictures paced by its worker thread, and checks what the
// window ends up showing, that the frames came as paced, and that Stop ends a
// running change without OnComplete. Exit status 0 when everything behaved.
#include <cstdio>
#include <memory>

#include "imaging/graphic.h"
#include "platform/api/clock.h"
#include "platform/api/ui.h"
#include "support/live_checks.h"
#include "support/pictures.h"
#include "transition/effect.h"
#include "transition/vorelscreen.h"

using namespace kestro;
using namespace kestro::testing;

namespace {

Bitmap24 Gradient(std::int32_t w, std::int32_t h, bool blue) {
  Bitmap24 b(w, h);
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      const auto a = static_cast<std::uint8_t>(x * 255 / w);
      const auto c = static_cast<std::uint8_t>(y * 255 / h);
      b.SetPixel(x, y, blue ? RGBColor(c, a / 2, 255) : RGBColor(255, a, c));
    }
  }
  return b;
}

bool WindowShows(const platform::Window& window, const Bitmap24& b) {
  const platform::ConstPixels s = window.Surface();
  return s.width == b.Width() && s.height == b.Height() && SurfaceShows(window, TRect{0, 0, s.width, s.height}, b);
}

}  // namespace

int main() {
  platform::WindowSystem& ui = platform::UI();
  platform::EventLoop& loop = ui.Loop();
  const std::int32_t w = 320;
  const std::int32_t h = 240;

  platform::WindowParams params;
  params.title = "Kestro display";
  params.bounds = {40, 40, 40 + w, 40 + h};
  auto window = ui.NewWindow(params);
  window->Show();

  auto display = std::make_unique<TVorelscreen>(*window);
  display->SetAlign(TAlign::alClient);
  display->SetAutoSize(false);
  display->SetColor(0);
  display->SetCenter(true);
  int completed = 0;
  int frames = 0;
  display->OnComplete = [&](TCustomVorelscreen&) { ++completed; };
  display->OnProgress = [&](TCustomVorelscreen&) { ++frames; };

  const Bitmap24 first = Gradient(w, h, false);
  const Bitmap24 second = Gradient(w, h, true);

  // The first picture at once.
  display->Picture().SetGraphic(std::make_unique<TBitmap>(first));
  display->SetStyle(0);
  display->Execute();
  RunUntil(loop, [&] { return completed == 1; }, 20000);
  window->InvalidateAll();
  window->Update();
  Check(completed == 1, "the change without an effect completed");
  Check(WindowShows(*window, first), "the window shows the first picture");

  // The second one with an effect, paced by the worker.
  const int effect = EffectImplemented(5) ? 5 : 0;
  std::printf("effect %d\n", effect);
  display->Picture().SetGraphic(std::make_unique<TBitmap>(second));
  display->SetStyle(static_cast<TShowStyle>(effect));
  display->SetStep(10);
  display->SetDelay(30);
  frames = 0;
  const std::uint32_t t0 = platform::GetTickCount();
  display->Execute();
  Check(display->Busy(), "a threaded change returns from Execute at once");
  RunUntil(loop, [&] { return completed == 2; }, 20000);
  const std::uint32_t elapsed = platform::GetTickCount() - t0;
  Check(completed == 2, "the change completed with OnComplete");
  Check(!display->Busy(), "not busy after the change");
  if (effect != 0) {
    std::printf("%d frames in %u ms\n", frames, static_cast<unsigned>(elapsed));
    Check(frames == 11, "frames at 0, 10, ..., 100");
    Check(elapsed >= 9 * 30 - 20, "frames at least Delay apart");
  }
  window->InvalidateAll();
  window->Update();
  Check(WindowShows(*window, second), "the window ends showing the new picture");

  // Stop a running change.
  display->Picture().SetGraphic(std::make_unique<TBitmap>(first));
  display->SetStep(1);
  display->SetStyle(static_cast<TShowStyle>(effect));
  display->OnCustomDraw = [](TCustomVorelscreen&, Bitmap24&, Bitmap24&) {};  // effect 0 runs every frame
  display->Execute();
  RunUntil(loop, [] { return false; }, 200);
  Check(display->Busy(), "the slow change still runs after 200 ms");
  display->Stop();
  Check(!display->Busy(), "Stop ends it");
  Check(completed == 2, "no OnComplete for a stopped change");
  const std::uint8_t at = display->Progress();
  platform::Sleep(100);
  loop.ProcessMessages();
  Check(display->Progress() == at && at > 0 && at < 100, "no frame after Stop");

  // Destroying the component during a change must not hang.
  display->Execute();
  platform::Sleep(50);
  loop.ProcessMessages();
  display.reset();
  Check(true, "destroyed during a change");

  return CheckSummary();
}
