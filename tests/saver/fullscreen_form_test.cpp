#include "saver/fullscreen_form.h"

#include "saver/windows_fixture.h"

namespace kestro::testing {
namespace {

using platform::kWmKeyDown;
using platform::kWmLButtonDown;
using platform::kWmLButtonUp;
using platform::kWmMButtonDown;
using platform::kWmMouseMove;
using platform::kWmRButtonDown;
using platform::kWmSysCommand;
using platform::kWmSysKeyDown;

// ------------------------------------------------------------ exit rules

TEST_F(WindowsTest, DefaultSettingsEndOnAClickOrAKeyButNeverOnMoves) {
  StartShow();
  Moves(200);
  Send(kWmMButtonDown);
  Send(kWmLButtonUp);
  EXPECT_FALSE(Closed()) << "moves, the middle button and button releases never end the show";
  EXPECT_EQ(Dispatched(kWmMouseMove), 200) << "moves are not marked handled";
  Send(kWmLButtonDown);
  EXPECT_TRUE(Closed());
  EXPECT_EQ(Dispatched(kWmLButtonDown), 0) << "the click that ends the show is marked handled";
}

TEST_F(WindowsTest, ARightClickAndAnyKeyEachEndTheShow) {
  StartShow();
  Send(kWmRButtonDown);
  EXPECT_TRUE(Closed());
  form.reset();
  StartShow();
  Key('Q');
  EXPECT_TRUE(Closed());
  EXPECT_EQ(Dispatched(kWmKeyDown), 1) << "the key is not marked handled";
}

TEST_F(WindowsTest, AltKeysCountAsKeys) {
  StartShow();
  Send(kWmSysKeyDown, 0x09);  // Alt+Tab
  EXPECT_TRUE(Closed());
}

TEST_F(WindowsTest, MouseMoveToleratesTwentyMovesPerTimerPeriod) {
  SaverSetting.MouseMove = true;
  StartShow();
  Moves(20);
  EXPECT_FALSE(Closed());
  ui.Advance(3000);  // the mouse timer: the count starts again
  Moves(20);
  EXPECT_FALSE(Closed()) << "after the timer tick 20 moves are tolerated again";
  Moves(1);
  EXPECT_TRUE(Closed()) << "the 21st move within one period attempts the exit";
}

TEST_F(WindowsTest, MovesSpreadOverTimerPeriodsNeverEndTheShow) {
  SaverSetting.MouseMove = true;
  StartShow();
  for (int period = 0; period < 5; ++period) {
    Moves(20);
    ui.Advance(3000);
  }
  EXPECT_FALSE(Closed());
}

TEST_F(WindowsTest, OnlyEscEndsTheShowWhenOnlyEscKeyExitIsSet) {
  SaverSetting.OnlyEscKeyExit = true;
  SaverSetting.MouseMove = true;
  SaverSetting.MousePress = true;
  SaverSetting.KeyboardPress = true;
  StartShow();
  Moves(100);
  Send(kWmLButtonDown);
  Send(kWmRButtonDown);
  Key('A');
  Send(kWmSysKeyDown, 0x09);
  EXPECT_FALSE(Closed());
  EXPECT_EQ(Dispatched(kWmLButtonDown), 1) << "an ignored click is not marked handled";
  Key(platform::kVkEscape);
  EXPECT_TRUE(Closed());
}

TEST_F(WindowsTest, ShowCursorKeepsTheCursorAndEndsOnKeysOnly) {
  SaverSetting.ShowCursor = true;
  SaverSetting.MouseMove = true;
  SaverSetting.KeyboardPress = false;
  StartShow();
  EXPECT_EQ(ui.cursorCount, 0) << "the cursor stays visible";
  Moves(100);
  Send(kWmLButtonDown);
  EXPECT_FALSE(Closed());
  Key('B');
  EXPECT_TRUE(Closed()) << "every key ends the show, even with KeyboardPress clear";
  EXPECT_EQ(ui.cursorCount, 0);
}

TEST_F(WindowsTest, AShowWithNoExitSettingStillEndsOnAnyKey) {
  SaverSetting.MouseMove = false;
  SaverSetting.MousePress = false;
  SaverSetting.KeyboardPress = false;
  SaverSetting.OnlyEscKeyExit = false;
  StartShow();
  Moves(100);
  Send(kWmLButtonDown);
  Send(kWmRButtonDown);
  EXPECT_FALSE(Closed());
  Key('Z');
  EXPECT_TRUE(Closed());
}

TEST_F(WindowsTest, MouseButtonsOffLeaveOnlyKeys) {
  SaverSetting.MousePress = false;
  StartShow();
  Send(kWmLButtonDown);
  EXPECT_FALSE(Closed());
  EXPECT_EQ(Dispatched(kWmLButtonDown), 1);
  Key();
  EXPECT_TRUE(Closed());
}

TEST_F(WindowsTest, TheSystemsScreensaverRequestIsSwallowedAndOtherCommandsPass) {
  StartShow();
  Send(kWmSysCommand, platform::kScScreenSave);
  Send(kWmSysCommand, platform::kScScreenSave | 0x2);  // low bits are the system's
  Send(kWmSysCommand, 0xF060);                         // close
  EXPECT_EQ(Dispatched(kWmSysCommand), 1);
  EXPECT_EQ(ui.dispatched.back().wParam, 0xF060u);
  EXPECT_FALSE(Closed());
}

TEST_F(WindowsTest, ACloseTheSystemAsksForDoesNotBypassTheExitRules) {
  ProtectWithPassword();
  ui.passwordAnswer = false;
  StartShow();
  ShowWindow().RequestClose();  // Alt+F4, or another program's close request
  EXPECT_FALSE(Closed());
  ui.passwordAnswer = true;
  Key();
  EXPECT_TRUE(Closed());
}

TEST_F(WindowsTest, InputIsIgnoredWhileTheWindowIsNotVisible) {
  form = std::make_unique<TFullscreenForm>();  // created, not shown
  Key();
  Send(kWmLButtonDown);
  EXPECT_FALSE(Closed());
  EXPECT_EQ(Dispatched(kWmLButtonDown), 1);
}

// ------------------------------------------------------------ password

TEST_F(WindowsTest, AWrongPasswordPutsTheShowBackAsItWas) {
  SaverSetting.MouseMove = true;
  ProtectWithPassword();
  ui.passwordAnswer = false;
  StartShow();
  const platform::WindowHandle handle = form->Window().Handle();
  EXPECT_EQ(ui.cursorCount, -1);
  Moves(10);
  Send(kWmLButtonDown);
  ASSERT_EQ(ui.passwordChecks, 1);
  EXPECT_FALSE(Closed());
  EXPECT_TRUE(ui.topmost[handle]) << "back on top";
  EXPECT_EQ(ui.cursorCount, -1) << "the cursor is hidden again";
  EXPECT_GE(ui.cursorAtPasswordChecks[0], 0) << "the cursor shows while the password is asked for";
  Moves(20);
  EXPECT_EQ(ui.passwordChecks, 1) << "20 moves are tolerated again after a failed attempt";
  Moves(1);
  EXPECT_EQ(ui.passwordChecks, 2);
  EXPECT_FALSE(Closed());
  ui.passwordAnswer = true;
  Key();
  EXPECT_TRUE(Closed());
  EXPECT_EQ(ui.cursorCount, 0);
}

TEST_F(WindowsTest, ThePasswordIsAskedOnlyWhenTheDesktopSettingIsOn) {
  struct Case {
    const char* what;
    std::function<void(platform::HeadlessUserStore&)> set;
    bool asks;
  };
  const std::vector<Case> cases{
      {"no key", [](platform::HeadlessUserStore&) {}, false},
      {"no value", [](platform::HeadlessUserStore& s) { s.CreateKey(kDesktopKey); }, false},
      {"text 0", [](platform::HeadlessUserStore& s) { s.SetString(kDesktopKey, kUsePasswordValue, "0"); }, false},
      {"text 1", [](platform::HeadlessUserStore& s) { s.SetString(kDesktopKey, kUsePasswordValue, "1"); }, true},
      {"number 1", [](platform::HeadlessUserStore& s) { s.SetDword(kDesktopKey, kUsePasswordValue, 1); }, true},
      {"number 0", [](platform::HeadlessUserStore& s) { s.SetDword(kDesktopKey, kUsePasswordValue, 0); }, false},
      {"not a number", [](platform::HeadlessUserStore& s) { s.SetString(kDesktopKey, kUsePasswordValue, "yes"); },
       false},
      {"bytes", [](platform::HeadlessUserStore& s) { s.SetBinary(kDesktopKey, kUsePasswordValue, "\x01"); }, false},
  };
  for (const Case& c : cases) {
    store.DeleteKey(kDesktopKey);
    c.set(store);
    ui.passwordChecks = 0;
    ui.passwordAnswer = false;
    EXPECT_EQ(VerifySaverPassword(0x77, false), !c.asks) << c.what;
    EXPECT_EQ(ui.passwordChecks, c.asks ? 1 : 0) << c.what;
  }
}

TEST_F(WindowsTest, AMissingPasswordLibraryLetsTheShowClose) {
  ProtectWithPassword();
  ui.passwordAnswer = std::nullopt;
  EXPECT_TRUE(VerifySaverPassword(0x77, true));
  EXPECT_EQ(ui.cursorCount, 0);
}

TEST_F(WindowsTest, UnderRunAsExeAHandleOnTheCommandLineChangesNothing) {
  RunAsExe = true;
  RunMode = kRunPreview;
  ParentWindow = 1234;
  StartShow();
  EXPECT_TRUE(ui.screenSaverRunning);
  EXPECT_EQ(ui.cursorCount, -1);
  Send(kWmLButtonDown);
  EXPECT_TRUE(Closed()) << "without password protection a click ends the show";
  EXPECT_EQ(ui.cursorCount, 0);
  EXPECT_FALSE(ui.screenSaverRunning);
}

TEST_F(WindowsTest, ChangeSaverPasswordHandsTheOwnerToTheSystem) {
  ParentWindow = 4321;
  ui.changePasswordResult = 7;
  EXPECT_EQ(ChangeSaverPassword(), 7);
  ui.changePasswordResult = std::nullopt;
  EXPECT_EQ(ChangeSaverPassword(), -1) << "library or entry point missing";
  EXPECT_EQ(ui.changePasswordOwners, (std::vector<platform::WindowHandle>{4321, 4321}));
}

// ------------------------------------------------------------ show and close

TEST_F(WindowsTest, TheShowTellsTheSystemAndHandsEverythingBackWhenItEnds) {
  QuarterPicture("a.bmp", 64, 48);
  SaverSetting.PictureList.push_back(dir.File("a.bmp"));
  SaverSetting.EnabledEffects.set(5);
  StartShow();
  const platform::WindowHandle handle = form->Window().Handle();
  EXPECT_TRUE(ui.screenSaverRunning);
  EXPECT_TRUE(ui.topmost[handle]);
  EXPECT_EQ(ui.cursorCount, -1);
  EXPECT_EQ(ShowWindow().Style(), platform::WindowStyle::kBorderless);
  ASSERT_NE(form->Runner(), nullptr);
  EXPECT_EQ(form->MouseTimer().Interval(), 3000u);
  ui.Advance(200);  // the first change has started
  EXPECT_TRUE(form->Runner()->Display().Busy());

  Key();
  EXPECT_TRUE(Closed());
  EXPECT_FALSE(ShowWindow().Visible());
  EXPECT_FALSE(ui.screenSaverRunning);
  EXPECT_EQ(ui.cursorCount, 0);
  EXPECT_EQ(form->Runner(), nullptr) << "the runner goes with the show";
  EXPECT_TRUE(ui.QuitRequested()) << "closing the main window ends the event loop";
  EXPECT_EQ(ui.LiveThreads(), 0u) << "the running change was stopped";
  Key();
  Send(kWmLButtonDown);
  EXPECT_EQ(ui.cursorCount, 0) << "input after the close changes nothing";
}

TEST_F(WindowsTest, TheCursorCountEndsWhereItStartedOnEveryPath) {
  struct Case {
    const char* what;
    std::function<void()> settings;
    std::function<void(WindowsTest&)> end;
  };
  const std::vector<Case> cases{
      {"click", [] {}, [](WindowsTest& t) { t.Send(kWmLButtonDown); }},
      {"key, cursor shown", [] { SaverSetting.ShowCursor = true; }, [](WindowsTest& t) { t.Key(); }},
      {"moves", [] { SaverSetting.MouseMove = true; }, [](WindowsTest& t) { t.Moves(21); }},
      {"esc", [] { SaverSetting.OnlyEscKeyExit = true; }, [](WindowsTest& t) { t.Key(platform::kVkEscape); }},
      {"wrong then right password",
       [] {},
       [](WindowsTest& t) {
         t.ProtectWithPassword();
         t.ui.passwordAnswer = false;
         t.Key();
         t.Key();
         t.ui.passwordAnswer = true;
         t.Key();
       }},
      {"cursor shown, wrong then right password",
       [] { SaverSetting.ShowCursor = true; },
       [](WindowsTest& t) {
         t.ProtectWithPassword();
         t.ui.passwordAnswer = false;
         t.Key();
         EXPECT_EQ(t.ui.cursorCount, 0);
         t.ui.passwordAnswer = true;
         t.Key();
       }},
      {"destroyed without an exit", [] {}, [](WindowsTest& t) { t.form.reset(); }},
  };
  for (const Case& c : cases) {
    SaverSetting = TSaverSetting{};
    SaverSetting.EnabledEffects.reset();
    store.DeleteKey(kDesktopKey);
    ui.cursorCount = 0;
    c.settings();
    StartShow();
    c.end(*this);
    if (form != nullptr) {
      EXPECT_TRUE(Closed()) << c.what;
    }
    form.reset();
    EXPECT_EQ(ui.cursorCount, 0) << c.what;
    EXPECT_FALSE(ui.screenSaverRunning) << c.what;
  }
}

// ------------------------------------------------------------ placement

TEST_F(WindowsTest, OneMonitorIsCoveredByTheWindowAlone) {
  ui.monitors = {{0, 0, 1024, 768}};
  StartShow();
  EXPECT_EQ(ShowWindow().Bounds(), (TRect{0, 0, 1024, 768}));
  EXPECT_TRUE(MirrorWindows.empty());
  EXPECT_EQ(ui.Windows().size(), 1u);
}

TEST_F(WindowsTest, WithImageSameMonitorClearOneWindowSpansTheMonitors) {
  ui.monitors = {{0, 0, 1024, 768}, {1024, 0, 2304, 1024}};
  SaverSetting.ImageSameMonitor = false;
  StartShow();
  EXPECT_EQ(ShowWindow().Bounds(), (TRect{0, 0, 1024 + 1280, 768}));
  EXPECT_EQ(ShowWindow().ClientWidth(), 2304);
  EXPECT_TRUE(MirrorWindows.empty());
  EXPECT_EQ(TotalMonitorWidth(), 2304);
}

TEST_F(WindowsTest, ThreeMonitorsGetTwoMirrorsShowingSqueezedCopies) {
  ui.monitors = {{0, 0, 640, 480}, {640, 0, 1040, 400}, {-320, 0, 0, 240}};
  SaverSetting.PictureList.push_back(QuarterPicture("q.bmp", 640, 480));
  StartShow();
  EXPECT_EQ(ShowWindow().Bounds(), (TRect{0, 0, 640, 480})) << "maximised on the primary monitor";
  ASSERT_EQ(MirrorWindows.size(), 2u);
  for (std::size_t k = 0; k < 2; ++k) {
    platform::Window& mirror = MirrorWindows[k]->Window();
    EXPECT_EQ(mirror.Bounds(), ui.monitors[k + 1]);
    EXPECT_TRUE(mirror.Visible());
    EXPECT_TRUE(ui.topmost[mirror.Handle()]);
    EXPECT_EQ(static_cast<platform::HeadlessWindow&>(mirror).Style(), platform::WindowStyle::kBorderless);
  }
  // The first change runs to its end; the mirrors follow within 25 ms.
  ui.Advance(3000);
  ASSERT_EQ(SurfacePixel(form->Window(), 10, 10), kTopLeft) << "the show shows the picture";
  for (const auto& m : MirrorWindows) {
    const platform::Window& mirror = m->Window();
    const std::int32_t w = mirror.ClientWidth();
    const std::int32_t h = mirror.ClientHeight();
    EXPECT_EQ(SurfacePixel(mirror, 1, 1), kTopLeft);
    EXPECT_EQ(SurfacePixel(mirror, w - 2, 1), kTopRight);
    EXPECT_EQ(SurfacePixel(mirror, 1, h - 2), kBottomLeft);
    EXPECT_EQ(SurfacePixel(mirror, w - 2, h - 2), kBottomRight) << "squeezed, not letterboxed";
    EXPECT_EQ(SurfacePixel(mirror, w / 2 - 2, h / 2 - 2), kTopLeft);
    EXPECT_EQ(SurfacePixel(mirror, w / 2 + 1, h / 2 + 1), kBottomRight);
  }
  Key();
  EXPECT_TRUE(MirrorWindows.empty()) << "the mirrors go when the show ends";
  EXPECT_EQ(ui.Windows().size(), 1u);
}

TEST_F(WindowsTest, InputOnAMirrorReachesTheExitRules) {
  ui.monitors = {{0, 0, 320, 240}, {320, 0, 640, 240}};
  StartShow();
  ASSERT_EQ(MirrorWindows.size(), 1u);
  ui.Post({MirrorWindows[0]->Window().Handle(), kWmLButtonDown, 0, 0});
  ui.RunUntilIdle();
  EXPECT_TRUE(Closed());
}

TEST_F(WindowsTest, MirrorsAreMadeOnceAndAMirrorKeepsItsLastCopyWithoutASource) {
  ui.monitors = {{0, 0, 320, 240}, {320, 0, 640, 240}};
  StartShow();
  CreateMirrorWindows();
  EXPECT_EQ(MirrorWindows.size(), 1u);
  platform::Window* source = MirrorSource;
  MirrorSource = nullptr;
  MirrorWindows[0]->Timer1Timer();  // nothing to copy: no failure
  MirrorSource = source;
}

}  // namespace
}  // namespace kestro::testing
