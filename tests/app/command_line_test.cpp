#include "app/command_line.h"

#include <gtest/gtest.h>

namespace kestro {
namespace {

CommandLineResult Parse(std::vector<std::string> args) { return InterpretCommandLine(args); }

TEST(CommandLine, NoArgumentOpensTheSettingsDialog) {
  const auto r = Parse({"C:\\Savers\\a.scr"});
  EXPECT_EQ(r.runMode, kRunConfigure);
  EXPECT_EQ(r.parentWindow, 0);
  EXPECT_FALSE(r.wantsForegroundWindow);
}

TEST(CommandLine, TheCSwitchIgnoresWhatFollows) {
  for (const char* arg : {"/c", "/C", "-c:3344", "xc"}) {
    const auto r = Parse({"a.scr", arg, "99"});
    EXPECT_EQ(r.runMode, kRunConfigureSwitch) << arg;
    EXPECT_EQ(r.parentWindow, 0) << arg;
  }
}

TEST(CommandLine, AnyOtherLetterStartsTheShow) {
  for (const char* arg : {"/s", "/S", "/q", "/x", "/save", "-s"}) {
    const auto r = Parse({"a.scr", arg});
    EXPECT_EQ(r.runMode, kRunSaver) << arg;
    EXPECT_TRUE(r.wantsForegroundWindow) << arg;
  }
}

TEST(CommandLine, PreviewAndPasswordNeedASecondArgument) {
  EXPECT_EQ(Parse({"a.scr", "/p", "1234"}).runMode, kRunPreview);
  EXPECT_EQ(Parse({"a.scr", "/p", "1234"}).parentWindow, 1234);
  EXPECT_EQ(Parse({"a.scr", "/p", "$10"}).parentWindow, 16);
  EXPECT_EQ(Parse({"a.scr", "/p"}).runMode, kRunConfigure);
  EXPECT_EQ(Parse({"a.scr", "/p:1234"}).runMode, kRunConfigure);
  EXPECT_EQ(Parse({"a.scr", "/a", "1234"}).runMode, kRunPasswordChange);
  EXPECT_EQ(Parse({"a.scr", "/a", "1234"}).parentWindow, 1234);
  EXPECT_EQ(Parse({"a.scr", "/a"}).runMode, kRunConfigure);
}

TEST(CommandLine, ABadHandleReadsAsZero) {
  const auto preview = Parse({"a.scr", "/p", "xyz"});
  EXPECT_EQ(preview.runMode, kRunPreview);
  EXPECT_EQ(preview.parentWindow, 0);
  const auto password = Parse({"a.scr", "/a", "0"});
  EXPECT_EQ(password.runMode, kRunPasswordChange);
  EXPECT_EQ(password.parentWindow, 0);
  EXPECT_EQ(Parse({"a.scr", "/p", "  77"}).parentWindow, 77);
  EXPECT_EQ(Parse({"a.scr", "/p", "77 "}).parentWindow, 0);
}

TEST(CommandLine, ALoneSwitchCharacterOpensTheSettingsDialog) {
  EXPECT_EQ(Parse({"a.scr", "/"}).runMode, kRunConfigure);
  EXPECT_EQ(Parse({"a.scr", "s"}).runMode, kRunConfigure);
}

TEST(CommandLine, SaverKindComesFromTheWholeProgramPath) {
  EXPECT_EQ(Parse({"C:\\x\\a.scr"}).saverKind, kSaverImage);
  EXPECT_EQ(Parse({"C:\\My Website\\a.scr"}).saverKind, kSaverWeb);
  EXPECT_EQ(Parse({"C:\\VIDEOS\\a.scr", "/s"}).saverKind, kSaverVideo);
  EXPECT_EQ(Parse({"C:\\x\\FlashVideoWeb.scr"}).saverKind, kSaverFlash);  // flash is tested first
  EXPECT_EQ(Parse({"C:\\x\\videoweb.scr"}).saverKind, kSaverVideo);
}

}  // namespace
}  // namespace kestro

namespace kestro {
namespace {

// The X11 screensaver hack conventions, where the platform has them.
struct HackCase {
  std::vector<std::string> args;
  std::optional<std::string> xscreensaverWindow;
  std::int32_t convention;
  platform::WindowHandle window;
};

class HackConventions : public ::testing::TestWithParam<HackCase> {};

TEST_P(HackConventions, RunTheShowIntoTheWindowTheyName) {
  const HackCase& c = GetParam();
  const HackEnvironment env{c.xscreensaverWindow};
  const CommandLineResult r = InterpretCommandLine(c.args, &env);
  EXPECT_EQ(r.hackConvention, c.convention);
  EXPECT_EQ(r.hackWindow, c.window);
  EXPECT_EQ(r.runMode, c.convention == kHackNone ? InterpretCommandLine(c.args).runMode : kRunSaver);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, HackConventions,
    ::testing::Values(
        HackCase{{"s", "-root"}, std::nullopt, kHackRoot, 0},
        HackCase{{"s", "--root"}, std::nullopt, kHackRoot, 0},  // as xscreensaver 6 writes it
        HackCase{{"s", "-root"}, "0x600008", kHackRoot, 0x600008},
        HackCase{{"s", "-window-id", "0x1A"}, std::nullopt, kHackWindowId, 26},
        HackCase{{"s", "-window-id", "4242"}, "77", kHackWindowId, 4242},
        // A window id that names no window: the show in a window of its own.
        HackCase{{"s", "-window-id", "junk"}, std::nullopt, kHackNewWindow, 0},
        HackCase{{"s", "-window-id"}, std::nullopt, kHackNewWindow, 0},
        HackCase{{"s", "-window"}, std::nullopt, kHackNewWindow, 0},
        HackCase{{"s", "-delay", "5", "-root"}, std::nullopt, kHackRoot, 0},
        // The daemon's variable alone, with no argument at all.
        HackCase{{"s"}, "12345", kHackWindowId, 12345},
        HackCase{{"s"}, "garbage", kHackNone, 0},
        // The Windows switches keep their meaning.
        HackCase{{"s", "/s"}, "12345", kHackNone, 0},
        HackCase{{"s", "/c"}, std::nullopt, kHackNone, 0},
        HackCase{{"s", "/p", "99"}, std::nullopt, kHackNone, 0},
        HackCase{{"s", "-r"}, std::nullopt, kHackNone, 0}));

TEST(CommandLine, WithoutHackConventionsTheirOptionsAreWindowsSwitches) {
  // "-root" is the switch letter R: the show, full screen, no window given.
  const CommandLineResult r = InterpretCommandLine({"s", "-root"});
  EXPECT_EQ(r.runMode, kRunSaver);
  EXPECT_EQ(r.hackConvention, kHackNone);
  EXPECT_EQ(InterpretCommandLine({"s", "-window-id", "5"}).hackConvention, kHackNone);
}

}  // namespace
}  // namespace kestro
