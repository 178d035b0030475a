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
