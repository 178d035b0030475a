// The show under a screensaver daemon's hack conventions, and the system's
// request to end the program, on the headless window system.
#include "saver/preview_form.h"
#include "windows_fixture.h"

namespace kestro::testing {
namespace {

using platform::HeadlessWindowSystem;

class HackShowTest : public WindowsTest {
 protected:
  void SetUp() override {
    WindowsTest::SetUp();
    SaverSetting.ImageInterval = 1;
    SaverSetting.PictureList = {QuarterPicture("q.bmp", 40, 30)};
    ui.AddHostWindow(kHost, {100, 50, 500, 350});
  }
  static constexpr platform::WindowHandle kHost = 0x7001;
};

TEST_F(HackShowTest, DrawsIntoTheDaemonsWindowAndLeavesTheScreenToIt) {
  HackConvention = kHackWindowId;
  HackWindow = kHost;
  StartShow();
  ui.Advance(1500);
  platform::HeadlessWindow& w = ShowWindow();
  EXPECT_TRUE(w.DrawsIntoParent());
  EXPECT_EQ(w.Handle(), kHost);
  EXPECT_EQ(w.ClientWidth(), 400);
  EXPECT_EQ(w.ClientHeight(), 300);
  EXPECT_FALSE(w.Paints().empty()) << "the show draws into the given window";
  // The daemon covers the screens, hides the cursor and owns the exit rules.
  EXPECT_EQ(ui.cursorCount, 0);
  EXPECT_FALSE(ui.screenSaverRunning);
  EXPECT_TRUE(ui.topmost.empty());
  EXPECT_TRUE(MirrorWindows.empty());
  Key();
  Send(platform::kWmLButtonDown);
  Key(platform::kVkEscape);
  EXPECT_FALSE(Closed()) << "input does not end a hack";
  EXPECT_EQ(ui.passwordChecks, 0);
}

TEST_F(HackShowTest, RootMeansTheDesktopUnlessTheDaemonNamedAWindow) {
  HackConvention = kHackRoot;
  StartShow();
  EXPECT_EQ(ShowWindow().Handle(), HeadlessWindowSystem::kDesktopHandle);
  EXPECT_EQ(ShowWindow().ClientWidth(), 1024);
  form.reset();
  HackWindow = kHost;
  StartShow();
  EXPECT_EQ(ShowWindow().Handle(), kHost);
}

TEST_F(HackShowTest, NewWindowIsAFramedWindowThatClosesWhenAsked) {
  HackConvention = kHackNewWindow;
  StartShow();
  platform::HeadlessWindow& w = ShowWindow();
  EXPECT_FALSE(w.DrawsIntoParent());
  EXPECT_EQ(w.Style(), platform::WindowStyle::kFramed);
  EXPECT_EQ(w.Bounds(), TRect(192, 144, 192 + kHackWindowWidth, 144 + kHackWindowHeight));
  w.RequestClose();  // its close box
  EXPECT_TRUE(Closed());
  EXPECT_TRUE(ui.QuitRequested());
}

TEST_F(HackShowTest, TheWindowGoingAwayEndsTheShow) {
  HackConvention = kHackWindowId;
  HackWindow = kHost;
  StartShow();
  ShowWindow().RequestClose();
  EXPECT_TRUE(Closed());
  EXPECT_TRUE(ui.QuitRequested());
}

// SIGTERM and its kind close the main window the way it always closes:
// the show hands back the cursor and the running flag, the loop ends.
TEST_F(HackShowTest, TheRequestToEndClosesEveryKindOfShow) {
  for (const std::int32_t convention : {kHackNone, kHackRoot, kHackWindowId, kHackNewWindow}) {
    SCOPED_TRACE(convention);
    HackConvention = convention;
    HackWindow = convention == kHackWindowId ? kHost : 0;
    StartShow();
    ui.Advance(500);
    ASSERT_TRUE(ui.HasTerminateHandler());
    ui.Terminate();
    EXPECT_TRUE(Closed());
    EXPECT_TRUE(ui.QuitRequested());
    EXPECT_EQ(ui.cursorCount, 0);
    EXPECT_FALSE(ui.screenSaverRunning);
    form.reset();
    EXPECT_FALSE(ui.HasTerminateHandler()) << "the handler goes with the form";
  }
}

TEST_F(HackShowTest, AWindowThatIsGoneEndsTheShowAtOnce) {
  HackConvention = kHackWindowId;
  HackWindow = kHost;
  form = std::make_unique<TFullscreenForm>();
  ShowWindow().RequestClose();  // the daemon's window went before the show started
  form->Show();
  EXPECT_TRUE(Closed());
  EXPECT_EQ(form->Runner(), nullptr) << "no show starts in a window that is gone";
}

TEST_F(HackShowTest, TheRequestToEndClosesThePreview) {
  RunMode = kRunPreview;
  ParentWindow = kHost;
  TPreviewForm preview;
  preview.Show();
  ui.Advance(300);
  ui.Terminate();
  EXPECT_TRUE(static_cast<platform::HeadlessWindow&>(preview.Window()).Closed());
  EXPECT_TRUE(ui.QuitRequested());
}

}  // namespace
}  // namespace kestro::testing
