#include "app/startup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/command_line.h"
#include "payload/payload.h"
#include "platform/headless/headless_system.h"
#include "support/temp_dir.h"

namespace kestro {
namespace {

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys_.tempFolder = dir_.Folder();
    sys_.systemFolder = dir_.Folder() + "system/";
    program_ = dir_.File("saver.scr");
    // A program file without a payload: random bytes that hold no marker.
    testing::WriteFile(program_, testing::RandomBytes(200000, 1));
    sys_.arguments = {program_};
    platform::InstallSystem(&sys_);
    RunMode = -1;
  }
  void TearDown() override {
    platform::InstallSystem(nullptr);
    ResetPayload();
  }
  std::string KestroFolder() const { return dir_.Folder() + "Kestro/"; }

  testing::TempDir dir_;
  platform::HeadlessSystem sys_;
  std::string program_;
};

TEST_F(StartupTest, APlainProgramFileRunsWithoutPayload) {
  sys_.arguments = {program_, "/c"};
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(RunMode, kRunConfigureSwitch);
  EXPECT_FALSE(PayloadFound);
  EXPECT_TRUE(std::filesystem::is_directory(KestroFolder() + "tmp"));
  EXPECT_TRUE(sys_.messages.empty());
}

TEST_F(StartupTest, TheSettingsLoadAtStartUpAndTheReportShowsTheRecord) {
  // Without a payload the settings file lies beside the program.
  testing::WriteFile(dir_.File("saver.002"), "[Set]\r\nImageInterval=0x0A\r\n[Pictures]\r\na.jpg=1\r\n");
  const std::string report = dir_.File("report.txt");
  ::setenv("KESTRO_STARTUP_REPORT", report.c_str(), 1);
  sys_.arguments = {program_, "/s"};
  const int code = RunProgram();
  ::unsetenv("KESTRO_STARTUP_REPORT");
  EXPECT_EQ(code, 0);
  const std::string text = testing::ReadFile(report);
  EXPECT_NE(text.find("\nSettingsFile=" + dir_.File("saver.002") + "\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nPictureList\n  a.jpg\nImageSize=0\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nImageInterval=10\n"), std::string::npos) << text;
}

TEST_F(StartupTest, ASecondInstanceEndsAtOnceButStillCleansUp) {
  bool existed = false;
  auto first = sys_.CreateNamedMutex(kSingleInstanceMutex, &existed);
  ASSERT_FALSE(existed);
  std::filesystem::create_directories(KestroFolder() + "tmp/sub");
  testing::WriteFile(KestroFolder() + "left.jpg", "x");
  testing::WriteFile(KestroFolder() + "tmp/left2.jpg", "x");
  testing::WriteFile(KestroFolder() + "tmp/sub/stays.jpg", "x");
  sys_.arguments = {program_, "/s"};

  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(RunMode, -1) << "the command line must not be read";
  EXPECT_FALSE(std::filesystem::exists(KestroFolder() + "left.jpg"));
  EXPECT_FALSE(std::filesystem::exists(KestroFolder() + "tmp/left2.jpg"));
  EXPECT_TRUE(std::filesystem::exists(KestroFolder() + "tmp/sub/stays.jpg"));
}

TEST_F(StartupTest, ADamagedSettingsArchiveEndsWithTheErrorBox) {
  std::string image = testing::RandomBytes(200000, 2);
  image += PayloadMarker() + "Show.002**" + std::string(300, 'Z');
  testing::WriteFile(program_, image);
  sys_.arguments = {program_, "/s"};

  EXPECT_EQ(RunProgram(), 1);
  ASSERT_EQ(sys_.messages.size(), 1u);
  EXPECT_EQ(sys_.messages[0].caption, "Application Error");
  EXPECT_NE(sys_.messages[0].text.find("EIncompleteZip"), std::string::npos);
  EXPECT_NE(sys_.messages[0].text.find("Incomplete Zip File"), std::string::npos);
  // The clean-up still ran: the raw archive copy is gone.
  EXPECT_FALSE(std::filesystem::exists(KestroFolder() + "Show.002~"));
}

}  // namespace
}  // namespace kestro
