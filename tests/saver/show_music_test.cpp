// The show's music: the full-screen window starts it when it shows and
// closing the show ends it at once, leaving nothing playing and no file in
// TempRoot.

#include <filesystem>
#include <fstream>

#include "music/music.h"
#include "platform/headless/headless_media.h"
#include "platform/headless/headless_system.h"
#include "saver/windows_fixture.h"

namespace kestro::testing {
namespace {

class ShowMusicTest : public WindowsTest {
 protected:
  void SetUp() override {
    WindowsTest::SetUp();
    media.Install();
    sys.tempFolder = dir.Folder();
    sys.systemFolder = dir.Folder() + "system/";
    platform::InstallSystem(&sys);
    TempRoot = dir.Folder() + "root/";
    std::filesystem::create_directories(TempRoot);
    PayloadFound = true;
    MusicIndex = -1;
  }
  void TearDown() override {
    WindowsTest::TearDown();
    FreeMusicPlayers();
    PayloadFound = false;
    platform::InstallSystem(nullptr);
    media.Uninstall();
  }
  platform::HeadlessMediaPlayers media;
  platform::HeadlessSystem sys;
};

TEST_F(ShowMusicTest, TheShowStartsTheMusicAndClosingEndsIt) {
  std::ofstream(TempRoot + "song.wav") << "RIFF";
  SaverSetting.MusicList = {"song.wav"};
  StartShow();
  ASSERT_NE(media.Playing(), nullptr);
  EXPECT_EQ(media.Playing()->FileName(), TempRoot + "song.wav");
  Key();
  ASSERT_TRUE(Closed());
  EXPECT_EQ(media.Playing(), nullptr);
  EXPECT_TRUE(media.live.empty());
  CleanTempFolders();
  EXPECT_TRUE(std::filesystem::is_empty(TempRoot));
}

}  // namespace
}  // namespace kestro::testing
