// Exercises the Windows window system the show runs on: a window painting
// its surface, a timer, a worker thread handing steps to the main thread,
// joining it while it waits on a hand-off, and the application-wide filter.
// Exit status 0 when everything behaved.
#include <cstdio>
#include <vector>

#include "platform/api/clock.h"
#include "platform/api/thread.h"
#include "platform/api/ui.h"

using namespace kestro;
using namespace kestro::platform;

namespace {

int failures = 0;

void Check(bool ok, const char* what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAIL", what);
  if (!ok) ++failures;
}

}  // namespace

int main() {
  WindowSystem& ui = UI();
  EventLoop& loop = ui.Loop();

  WindowParams params;
  params.title = "ui smoke";
  params.bounds = {10, 10, 210, 160};
  params.color = 0x00000000;
  auto window = ui.NewWindow(params);
  Check(window->ClientWidth() == 200 && window->ClientHeight() == 150, "borderless client size");
  int paints = 0;
  window->onPaint = [&](PaintContext& ctx) {
    ++paints;
    ctx.FillRect({0, 0, 100, 150}, 0x000000FF);  // left half red
  };
  window->Show();
  window->InvalidateAll();
  window->Update();
  const ConstPixels s = window->Surface();
  Check(paints >= 1, "Update paints synchronously");
  Check(s.data[5 * s.stride + 10 * 3 + 2] == 0xFF && s.data[5 * s.stride + 150 * 3 + 2] == 0x00,
        "the surface holds what was painted");

  // A worker pacing five steps through the main thread.
  std::vector<std::uint32_t> steps;
  bool stop = false;
  auto worker = StartThread(
      [&] {
        for (int i = 0; i < 5 && !stop; ++i) {
          loop.Synchronize([&] { steps.push_back(GetTickCount()); });
          Sleep(20);
        }
        loop.Synchronize([&] { steps.push_back(0); });
      },
      ThreadPriority::tpNormal);
  int ticks = 0;
  auto timer = ui.NewTimer([&] {
    if (++ticks == 3) loop.Quit();
  });
  timer->SetInterval(100);
  timer->SetEnabled(true);
  loop.Run();
  Check(ticks == 3, "the timer fired three times before Quit");
  worker->Join();
  Check(steps.size() == 6 && steps.back() == 0, "the worker's hand-offs all ran on the main thread");

  // Joining a worker that is blocked in a hand-off must not deadlock.
  int served = 0;
  auto blocked = StartThread([&] { loop.Synchronize([&] { ++served; }); }, ThreadPriority::tpLower);
  Sleep(50);
  blocked->Join();
  Check(served == 1, "Join serves a pending hand-off");

  // The filter sees posted input first and may swallow it.
  int seen = 0;
  loop.SetMessageFilter([&](const InputMessage& m) {
    if (m.message == kWmKeyDown) ++seen;
    return m.message == kWmKeyDown;
  });
  extern void PostKey(WindowHandle);  // defined below with the platform's own call
  PostKey(window->Handle());
  loop.ProcessMessages();
  Check(seen == 1, "the application-wide filter saw the key");

  const auto monitors = ui.Monitors();
  Check(!monitors.empty() && monitors[0].Width() > 0, "at least one monitor");
  std::printf("%d failure(s)\n", failures);
  return failures == 0 ? 0 : 1;
}
