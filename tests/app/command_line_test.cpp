#include "app/command_line.h"

#include <gtest/gtest.h>

namespace kestro {
namespace {

CommandLineResult Run(std::vector<std::string> args) { return InterpretCommandLine(args); }

TEST(CommandLine, NoArgumentOpensTheSettingsDialog) {
  const auto r = Run({"C:\\Savers\\a.scr"});
  EXPECT_EQ(r.runMode, kRunConfigure);
  EXPECT_EQ(r.parentWindow, 0);
  EXPECT_FALSE(r.wantsForegroundWindow);
}

TEST(CommandLine, TheCSwitchIgnoresWhatFollows) {
  for (const char* arg : {"/c", "/C", "-c:3344", "xc"}) {
    const auto r = Run({"a.scr", arg, "99"});
    EXPECT_EQ(r.runMode, kRunConfigureSwitch) << arg;
    EXPECT_EQ(r.parentWindow, 0) << arg;
  }
}

TEST(CommandLine, AnyOtherLetterStartsTheShow) {
  for (const char* arg : {"/s", "/S", "/q", "/x", "/save", "-s"}) {
    const auto r = Run({"a.scr", arg});
    EXPECT_EQ(r.runMode, kRunSaver) << arg;
    EXPECT_TRUE(r.wantsForegroundWindow) << arg;
  }
}

TEST(CommandLine, PreviewAndPasswordNeedASecondArgument) {
  EXPECT_EQ(Run({"a.scr", "/p", "1234"}).runMode, kRunPreview);
  EXPECT_EQ(Run({"a.scr", "/p", "1234"}).parentWindow, 1234);
  EXPECT_EQ(Run({"a.scr", "/p", "$10"}).parentWindow, 16);
  EXPECT_EQ(Run({"a.scr", "/p"}).runMode, kRunConfigure);
  EXPECT_EQ(Run({"a.scr", "/p:1234"}).runMode, kRunConfigure);
  EXPECT_EQ(Run({"a.scr", "/a", "1234"}).runMode, kRunPasswordChange);
  EXPECT_EQ(Run({"a.scr", "/a", "1234"}).parentWindow, 1234);
  EXPECT_EQ(Run({"a.scr", "/a"}).runMode, kRunConfigure);
}

TEST(CommandLine, ABadHandleReadsAsZero) {
  const auto preview = Run({"a.scr", "/p", "xyz"});
  EXPECT_EQ(preview.runMode, kRunPreview);
  EXPECT_EQ(preview.parentWindow, 0);
  const auto password = Run({"a.scr", "/a", "0"});
  EXPECT_EQ(password.runMode, kRunPasswordChange);
  EXPECT_EQ(password.parentWindow, 0);
  EXPECT_EQ(Run({"a.scr", "/p", "  77"}).parentWindow, 77);
  EXPECT_EQ(Run({"a.scr", "/p", "77 "}).parentWindow, 0);
}

TEST(CommandLine, ALoneSwitchCharacterOpensTheSettingsDialog) {
  EXPECT_EQ(Run({"a.scr", "/"}).runMode, kRunConfigure);
  EXPECT_EQ(Run({"a.scr", "s"}).runMode, kRunConfigure);
}

TEST(CommandLine, SaverKindComesFromTheWholeProgramPath) {
  EXPECT_EQ(Run({"C:\\x\\a.scr"}).saverKind, kSaverImage);
  EXPECT_EQ(Run({"C:\\My Website\\a.scr"}).saverKind, kSaverWeb);
  EXPECT_EQ(Run({"C:\\VIDEOS\\a.scr", "/s"}).saverKind, kSaverVideo);
  EXPECT_EQ(Run({"C:\\x\\FlashVideoWeb.scr"}).saverKind, kSaverFlash);  // flash is tested first
  EXPECT_EQ(Run({"C:\\x\\videoweb.scr"}).saverKind, kSaverVideo);
}

}  // namespace
}  // namespace kestro
