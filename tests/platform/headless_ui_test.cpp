#include "platform/headless/headless_ui.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "platform/api/clock.h"
#include "platform/api/thread.h"

namespace kestro::platform {
namespace {

class HeadlessUiTest : public ::testing::Test {
 protected:
  void SetUp() override { ui_.Install(); }
  void TearDown() override { ui_.Uninstall(); }
  HeadlessWindowSystem ui_;
};

TEST_F(HeadlessUiTest, TimersFireOnTheManualClock) {
  std::vector<std::uint64_t> fired;
  auto timer = ui_.NewTimer([&] { fired.push_back(ui_.Now()); });
  timer->SetInterval(100);
  ui_.Advance(500);
  EXPECT_TRUE(fired.empty()) << "a new timer is disabled";
  timer->SetEnabled(true);
  ui_.Advance(350);
  EXPECT_EQ(fired, (std::vector<std::uint64_t>{600, 700, 800}));
  timer->SetInterval(0);
  ui_.Advance(1000);
  EXPECT_EQ(fired.size(), 3u) << "an interval of 0 never fires";
}

TEST_F(HeadlessUiTest, ATimerRestartsItsPeriodWhenReenabled) {
  std::vector<std::uint64_t> fired;
  std::unique_ptr<Timer> timer;
  timer = ui_.NewTimer([&] {
    fired.push_back(ui_.Now());
    timer->SetEnabled(false);
  });
  timer->SetInterval(1000);
  timer->SetEnabled(true);
  ui_.Advance(1500);
  ASSERT_EQ(fired, (std::vector<std::uint64_t>{1000}));
  timer->SetEnabled(true);  // at 1500
  ui_.Advance(2000);
  EXPECT_EQ(fired, (std::vector<std::uint64_t>{1000, 2500}));
}

// A worker paced like the display component's: each step is handed to the
// main thread, then the worker sleeps for the rest of its period.
TEST_F(HeadlessUiTest, AWorkerIsPacedByTheManualClock) {
  std::vector<std::uint64_t> steps;
  auto worker = StartThread(
      [&] {
        for (int i = 0; i < 4; ++i) {
          const std::uint32_t t0 = GetTickCount();
          ui_.Synchronize([&] { steps.push_back(ui_.Now()); });
          const std::uint32_t spent = GetTickCount() - t0;
          if (spent < 30) Sleep(30 - spent);
        }
      },
      ThreadPriority::tpNormal);
  ui_.Advance(200);
  EXPECT_TRUE(worker->Finished());
  EXPECT_EQ(steps, (std::vector<std::uint64_t>{0, 30, 60, 90}));
}

TEST_F(HeadlessUiTest, JoiningServesTheWorkersCallsAndLetsItsSleepPass) {
  std::atomic<bool> stop{false};
  int steps = 0;
  auto worker = StartThread(
      [&] {
        while (!stop) {
          ui_.Synchronize([&] { ++steps; });
          Sleep(1000);
        }
        ui_.Synchronize([&] { steps += 100; });  // the end notification
      },
      ThreadPriority::tpNormal);
  ui_.RunUntilIdle();
  EXPECT_EQ(steps, 1);
  stop = true;
  worker->Join();
  EXPECT_EQ(steps, 101);
  EXPECT_EQ(ui_.Now(), 1000u);
}

TEST_F(HeadlessUiTest, ASynchronousCallPassesItsExceptionBack) {
  bool caught = false;
  auto worker = StartThread(
      [&] {
        try {
          ui_.Synchronize([] { throw std::runtime_error("x"); });
        } catch (const std::runtime_error&) {
          caught = true;
        }
      },
      ThreadPriority::tpNormal);
  worker->Join();
  EXPECT_TRUE(caught);
}

TEST_F(HeadlessUiTest, TheFilterSeesInputFirstAndCanSwallowIt) {
  std::vector<std::uint32_t> seen;
  ui_.SetMessageFilter([&](const InputMessage& m) {
    seen.push_back(m.message);
    return m.message == kWmSysCommand;
  });
  ui_.Post({1, kWmKeyDown, 65, 0});
  ui_.Post({1, kWmSysCommand, kScScreenSave, 0});
  ui_.PostAt(50, {1, kWmLButtonDown, 0, 0});
  ui_.RunUntilIdle();
  EXPECT_EQ(seen, (std::vector<std::uint32_t>{kWmKeyDown, kWmSysCommand}));
  ASSERT_EQ(ui_.dispatched.size(), 1u);
  EXPECT_EQ(ui_.dispatched[0].message, kWmKeyDown);
  ui_.Advance(60);
  EXPECT_EQ(seen.back(), kWmLButtonDown);
}

TEST_F(HeadlessUiTest, AnIdleProcessMessagesLetsAMillisecondPass) {
  const std::uint64_t start = ui_.Now();
  while (GetTickCount() - start <= 30) ui_.ProcessMessages();
  EXPECT_EQ(ui_.Now(), start + 31);
}

TEST_F(HeadlessUiTest, RunEndsOnQuitOrWhenNothingCanHappen) {
  auto timer = ui_.NewTimer([&] { ui_.Quit(); });
  timer->SetInterval(250);
  timer->SetEnabled(true);
  ui_.Run();
  EXPECT_TRUE(ui_.QuitRequested());
  EXPECT_EQ(ui_.Now(), 250u);
  timer->SetEnabled(false);
  ui_.Run();  // returns: no timer, no input, no worker
  EXPECT_EQ(ui_.Now(), 250u);
}

TEST_F(HeadlessUiTest, WindowsPaintTheirInvalidAreaOntoTheirSurface) {
  WindowParams params;
  params.bounds = {0, 0, 40, 30};
  params.color = 0x000000FF;  // red
  auto window = ui_.NewWindow(params);
  EXPECT_EQ(window->ClientWidth(), 40);
  auto* headless = ui_.FindWindow(window->Handle());
  ASSERT_NE(headless, nullptr);
  std::vector<TRect> painted;
  window->onPaint = [&](PaintContext& ctx) {
    painted.push_back(ctx.InvalidRect());
    ctx.FillRect({0, 0, 40, 30}, 0x00FF0000);  // blue, clipped to the invalid area
  };
  ui_.RunUntilIdle();  // the first paint covers everything
  window->Invalidate({10, 10, 20, 15});
  window->Update();
  ASSERT_EQ(painted.size(), 2u);
  EXPECT_EQ(painted[1], (TRect{10, 10, 20, 15}));
  const ConstPixels s = window->Surface();
  EXPECT_EQ(s.data[10 * s.stride + 10 * 3], 0xFF);  // blue byte
}

TEST_F(HeadlessUiTest, FramedWindowsHaveASmallerClientArea) {
  WindowParams params;
  params.style = WindowStyle::kFramed;
  params.bounds = {0, 0, 517, 392};
  auto window = ui_.NewWindow(params);
  EXPECT_EQ(window->ClientWidth(), 517 - 8);
  EXPECT_EQ(window->ClientHeight(), 392 - 27);
}

}  // namespace
}  // namespace kestro::platform
