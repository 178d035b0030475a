// The window each run mode opens, on the headless window system: the run
// goes through the whole start-up order and the event loop, and a test
// timer looks at the windows while the loop runs.

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "app/command_line.h"
#include "app/startup.h"
#include "payload/payload.h"
#include "platform/headless/headless_system.h"
#include "platform/headless/headless_ui.h"
#include "platform/headless/headless_user_store.h"
#include "settings/saver_setting.h"
#include "support/temp_dir.h"
#include "transition/display_fixture.h"

namespace kestro {
namespace {

constexpr platform::WindowHandle kHost = 1234;
constexpr TColor kRed = RGBColor(230, 10, 10);

class DispatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys_.tempFolder = dir_.Folder();
    sys_.systemFolder = dir_.Folder() + "system/";
    program_ = dir_.File("saver.scr");
    testing::WriteFile(program_, testing::RandomBytes(100000, 3));
    platform::InstallSystem(&sys_);
    platform::InstallUserStore(&store_);
    platform::InstallTextRenderer(&text_);
    ui_.Install();
    ui_.runLimit = 120000;  // a run that never ends fails instead of hanging
    testing::WriteBmp(dir_.File("red.bmp"), Bitmap24(64, 48, kRed));
    WriteSettings("");
  }
  void TearDown() override {
    probe_.reset();
    ui_.Uninstall();
    platform::InstallTextRenderer(nullptr);
    platform::InstallUserStore(nullptr);
    platform::InstallSystem(nullptr);
    ResetPayload();
    SaverSetting = TSaverSetting{};
    RunMode = kRunConfigure;
    ParentWindow = 0;
  }

  // The settings file beside the program (no payload): one red picture.
  void WriteSettings(const std::string& extraSet) {
    testing::WriteFile(dir_.File("saver.002"), "[Set]\r\nImageInterval=1\r\nuseeffects=\r\n" + extraSet +
                                                   "[Pictures]\r\n" + dir_.File("red.bmp") + "=1\r\n");
  }

  // Runs `look` once, `at` ms into the run, on the main thread.
  void LookAt(std::uint32_t at, std::function<void()> look) {
    probe_ = ui_.NewTimer([this, look = std::move(look)] {
      probe_->SetEnabled(false);
      look();
    });
    probe_->SetInterval(at);
    probe_->SetEnabled(true);
  }

  int Run(std::vector<std::string> args) {
    args.insert(args.begin(), program_);
    sys_.arguments = args;
    return RunProgram();
  }

  std::vector<platform::HeadlessWindow*> Windows() { return ui_.Windows(); }

  testing::TempDir dir_;
  platform::HeadlessSystem sys_;
  platform::HeadlessUserStore store_;
  platform::HeadlessWindowSystem ui_;
  testing::BoxText text_;
  std::unique_ptr<platform::Timer> probe_;
  std::string program_;
};

TEST_F(DispatchTest, TheSaverShowsTheShowUntilInputEndsItAndGivesTheForegroundBack) {
  sys_.foreground = 0x99;
  int windows = -1;
  TColor shown = 0;
  LookAt(1500, [&] {
    windows = static_cast<int>(Windows().size());
    if (windows == 1) shown = testing::SurfacePixel(*Windows()[0], 500, 400);
    sys_.foreground = Windows().empty() ? 0 : Windows()[0]->Handle();  // the show took the foreground
  });
  ui_.PostAt(2000, {0, platform::kWmLButtonDown, 0, 0});
  EXPECT_EQ(Run({"/s"}), 0);
  EXPECT_EQ(windows, 1);
  EXPECT_EQ(shown, kRed) << "the picture was on the screen";
  EXPECT_GE(ui_.Now(), 2000u);
  EXPECT_LT(ui_.Now(), 120000u) << "the click ended the run";
  EXPECT_EQ(sys_.foreground, 0x99) << "the foreground goes back to the window that had it";
  EXPECT_EQ(ui_.cursorCount, 0);
  EXPECT_FALSE(ui_.screenSaverRunning);
}

TEST_F(DispatchTest, APasswordChangeRequestHandsItsOwnerToTheSystemWithoutAWindow) {
  EXPECT_EQ(Run({"/a", "1234"}), 0);
  EXPECT_EQ(ui_.changePasswordOwners, (std::vector<platform::WindowHandle>{1234}));
  EXPECT_EQ(ui_.Now(), 0u) << "no window, no event loop";
}

TEST_F(DispatchTest, RunsThatShowNothingEndAtOnce) {
  for (const auto& args : std::vector<std::vector<std::string>>{{"/a", "0"}, {"/a", "xyz"}}) {
    ResetPayload();
    EXPECT_EQ(Run(args), 0);
    EXPECT_EQ(ui_.Now(), 0u) << (args.empty() ? "" : args[0]);
  }
  EXPECT_TRUE(ui_.changePasswordOwners.empty());
  EXPECT_TRUE(sys_.messages.empty());
}

TEST_F(DispatchTest, NoArgumentAndTheConfigureSwitchShowTheSettingsDialogUntilItCloses) {
  for (const auto& args : std::vector<std::vector<std::string>>{{}, {"/c"}, {"-C:3344"}}) {
    ResetPayload();
    const std::uint64_t start = ui_.Now();
    std::string caption;
    LookAt(700, [&] {
      ASSERT_EQ(ui_.Dialogs().size(), 1u);
      platform::HeadlessDialog& dialog = *ui_.Dialogs()[0];
      caption = dialog.Shown() ? dialog.Text(0) : "";
      dialog.PressEscape();
    });
    EXPECT_EQ(Run(args), 0);
    EXPECT_EQ(caption, "Image Saver Setting");
    EXPECT_TRUE(Windows().empty()) << "the dialog is the only window";
    EXPECT_LT(ui_.Now() - start, 2000u) << "closing the dialog ended the run";
  }
  EXPECT_TRUE(ui_.Dialogs().empty());
}

TEST_F(DispatchTest, ThePreviewLivesInItsHostAndEndsWhenTheHostGoes) {
  ui_.AddHostWindow(kHost, {0, 0, 152, 112});
  TRect bounds{};
  platform::WindowHandle parent = 0;
  LookAt(1000, [&] {
    ASSERT_EQ(Windows().size(), 1u);
    bounds = Windows()[0]->Bounds();
    parent = Windows()[0]->Parent();
    ui_.RemoveHostWindow(kHost);
  });
  EXPECT_EQ(Run({"/p", "1234"}), 0);
  EXPECT_EQ(parent, kHost);
  EXPECT_EQ(bounds, (TRect{-8, -27, 162, 122}));
  EXPECT_LT(ui_.Now(), 2000u) << "the run ended soon after its host went";
}

TEST_F(DispatchTest, APreviewWithoutAHostIsAnOrdinaryWindowThatClosesLikeOne) {
  TRect bounds{};
  LookAt(1000, [&] {
    ASSERT_EQ(Windows().size(), 1u);
    bounds = Windows()[0]->Bounds();
    EXPECT_EQ(Windows()[0]->Parent(), 0);
    Windows()[0]->RequestClose();  // the user's close box
  });
  EXPECT_EQ(Run({"/p", "xyz"}), 0);
  EXPECT_EQ(bounds.Width(), 517);
  EXPECT_EQ(bounds.Height(), 392);
  EXPECT_LT(ui_.Now(), 2000u);
}

TEST_F(DispatchTest, TheStillPreviewIsChosenOnlyWhenItsPictureExists) {
  for (const bool exists : {true, false}) {
    ResetPayload();
    WriteSettings("Build_UseStaticPreview=1\r\nBuild_StaticImage=" +
                  dir_.File(exists ? "red.bmp" : "missing.bmp") + "\r\n");
    TRect bounds{};
    TColor still = 0;
    LookAt(500, [&] {
      ASSERT_EQ(Windows().size(), 1u);
      bounds = Windows()[0]->Bounds();
      still = testing::SurfacePixel(*Windows()[0], 100, 100);
      Windows()[0]->RequestClose();
    });
    EXPECT_EQ(Run({"/p", "xyz"}), 0);
    EXPECT_EQ(bounds.Width(), exists ? 696 : 517) << exists;
    EXPECT_EQ(bounds.Height(), exists ? 480 : 392) << exists;
    if (exists) {
      EXPECT_EQ(still, kRed);
    }
  }
}

}  // namespace
}  // namespace kestro
