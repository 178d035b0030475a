// The music control on the headless backend, with the fake decoder library
// and the headless multimedia players: the playlist orders, the choice of
// player, the payload and plain-file starts, and the end-of-track hand-over.

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "common/random.h"
#include "music/fake_decoder.h"
#include "music/music.h"
#include "payload/payload.h"
#include "platform/headless/headless_media.h"
#include "platform/headless/headless_system.h"
#include "platform/headless/headless_ui.h"
#include "settings/saver_setting.h"
#include "support/temp_dir.h"

namespace kestro {
namespace {

using testing::Fake;
using testing::FakeDecoder;

class MusicControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui.Install();
    libraries.Install();
    media.Install();
    Fake() = FakeDecoder{};
    libraries.Add(platform::SharedLibraryFileName(kDecoderLibraryBase), testing::FakeDecoderExports());
    sys.tempFolder = dir.Folder();
    sys.systemFolder = dir.Folder() + "system/";
    platform::InstallSystem(&sys);
    SaverSetting = TSaverSetting{};
    ProgramFolder = dir.Folder();
    InstallFolder = dir.Folder() + "install/";
    TempRoot = dir.Folder() + "temp/";
    std::filesystem::create_directories(TempRoot);
    PayloadFound = false;
    MusicSet = TMyMusicSet{};
    MusicIndex = -1;
    MediaPlayerMp3Flag = false;
    DecoderEndHandler = initialDecoderHandler;
    MediaEndHandler = initialMediaHandler;
  }
  void TearDown() override {
    FreeMusicPlayers();
    DecoderEndHandler = initialDecoderHandler;
    MediaEndHandler = initialMediaHandler;
    MusicSet = TMyMusicSet{};
    PayloadFound = false;
    SaverSetting = TSaverSetting{};
    platform::InstallSystem(nullptr);
    media.Uninstall();
    libraries.Uninstall();
    ui.Uninstall();
  }

  std::string Track(const std::string& folder, const std::string& name) {
    std::filesystem::create_directories(folder);
    std::ofstream(folder + name) << "audio";
    return folder + name;
  }
  // What plays now: the file of the playing player, or empty.
  std::string NowPlaying() {
    if (Fake().mode == mpegdll::kModePlaying) return Fake().openedName;
    if (media.Playing() != nullptr) return media.Playing()->FileName();
    return "";
  }
  // The track that plays reaches its end and the player notices it.
  void EndTrack() {
    if (Fake().mode == mpegdll::kModePlaying) {
      Fake().Finish();
      ui.Advance(1000);
    } else {
      media.FinishPlayback();
    }
    ui.Advance(1);
  }
  // The file names played, one per track, until nothing plays or `limit` tracks.
  std::vector<std::string> PlayedNames(int limit) {
    std::vector<std::string> names;
    for (int i = 0; i < limit; ++i) {
      const std::string now = NowPlaying();
      if (now.empty()) break;
      names.push_back(std::filesystem::path(now).filename().string());
      EndTrack();
    }
    return names;
  }

  const TMusicEndHandler initialDecoderHandler = DecoderEndHandler;
  const TMusicEndHandler initialMediaHandler = MediaEndHandler;
  testing::TempDir dir;
  platform::HeadlessWindowSystem ui;
  platform::HeadlessLibraryLoader libraries;
  platform::HeadlessMediaPlayers media;
  platform::HeadlessSystem sys;
};

struct OrderCase {
  bool random, loop;
  int calls;
  std::vector<int> expected;  // the indexes in order; -1 for none (empty when random)
};

TEST_F(MusicControlTest, PlayNextOrders) {
  const std::vector<OrderCase> cases = {
      {false, false, 5, {0, 1, 2, -1, 0}},
      {false, true, 5, {0, 1, 2, 0, 1}},
  };
  const TSourceList list = {"a", "b", "c"};
  for (const OrderCase& c : cases) {
    SetPlaylist(list, c.random, c.loop);
    std::vector<int> got;
    for (int i = 0; i < c.calls; ++i) {
      PlayNext();
      got.push_back(MusicSet.index);
      EXPECT_EQ(MusicSet.current, MusicSet.index < 0 ? std::string() : list[MusicSet.index]);
    }
    EXPECT_EQ(got, c.expected) << "loop " << c.loop;
  }
}

TEST_F(MusicControlTest, RandomWithoutLoopPlaysCountTracksThenStops) {
  for (int run = 0; run < 20; ++run) {
    SetPlaylist({"a", "b", "c"}, /*random=*/true, /*loop=*/false);
    RandomState = static_cast<std::uint32_t>(run * 7919);
    for (int i = 0; i < 3; ++i) {
      PlayNext();
      EXPECT_GE(MusicSet.index, 0);
      EXPECT_LT(MusicSet.index, 3);
    }
    PlayNext();
    EXPECT_EQ(MusicSet.index, -1);
    EXPECT_EQ(MusicSet.current, "");
    EXPECT_EQ(MusicSet.PlayedCount, -1);
  }
  SetPlaylist({"a", "b", "c"}, /*random=*/true, /*loop=*/true);
  std::set<int> seen;
  for (int i = 0; i < 60; ++i) {
    PlayNext();
    seen.insert(MusicSet.index);
  }
  EXPECT_EQ(seen, (std::set<int>{0, 1, 2}));
  MusicSet.playlist->clear();
  PlayNext();
  EXPECT_EQ(MusicSet.current, "");
}

TEST_F(MusicControlTest, TheExtensionChoosesThePlayer) {
  const std::string mp3 = Track(dir.Folder(), "a.Mp3");
  const std::string wav = Track(dir.Folder(), "b.wav");
  const std::string mid = Track(dir.Folder(), "c.mid");
  PlayTrack(mp3);
  EXPECT_EQ(Fake().openedName, mp3);
  EXPECT_EQ(media.created, 0);
  PlayTrack(wav);
  EXPECT_EQ(media.Playing()->FileName(), wav);
  PlayTrack(mid);
  EXPECT_EQ(media.Playing()->FileName(), mid);
  EXPECT_EQ(media.created, 1);  // one player, closed and opened again
  MediaPlayerMp3Flag = true;
  PlayTrack(mp3);
  EXPECT_EQ(media.Playing()->FileName(), mp3);
  EXPECT_EQ(Fake().Count("Open"), 1);
  // A file that does not exist plays nothing.
  StopMusic(false);
  EXPECT_EQ(NowPlaying(), "");
  PlayTrack(dir.Folder() + "missing.wav");
  EXPECT_EQ(NowPlaying(), "");
}

TEST_F(MusicControlTest, AGivenFileEmptiesThePlaylist) {
  SetPlaylist({"x", "y"}, false, true);
  const std::string wav = Track(dir.Folder(), "b.wav");
  PlayTrack(wav);
  EXPECT_TRUE(MusicSet.playlist->empty());
  EndTrack();
  EXPECT_EQ(NowPlaying(), "");
}

TEST_F(MusicControlTest, WithoutAPayloadUnusableEntriesGoAndThePlaylistPlays) {
  const std::string sample = dir.Folder() + "sample/";
  Track(sample, "one.mp3");
  Track(dir.Folder(), "two.wav");
  Track(sample, "three.mp3");
  SaverSetting.MusicList = {"one.mp3", "gone.mp3", "two.wav", "three.mp3"};
  SaverSetting.LoopMusic = false;
  StartSaverMusic();
  EXPECT_EQ(SaverSetting.MusicList, (TSourceList{sample + "one.mp3", dir.Folder() + "two.wav", sample + "three.mp3"}));
  EXPECT_EQ(PlayedNames(10), (std::vector<std::string>{"one.mp3", "two.wav", "three.mp3"}));
  EXPECT_EQ(NowPlaying(), "");
}

TEST_F(MusicControlTest, NoMusicWithoutTheSettingOrTheList) {
  Track(dir.Folder() + "sample/", "one.wav");
  SaverSetting.MusicList = {"one.wav"};
  SaverSetting.PlayMusic = false;
  StartSaverMusic();
  EXPECT_EQ(NowPlaying(), "");
  SaverSetting.PlayMusic = true;
  SaverSetting.MusicList.clear();
  StartSaverMusic();
  EXPECT_EQ(NowPlaying(), "");
}

TEST_F(MusicControlTest, WithoutAPayloadRandomNoLoopPlaysThreeTracks) {
  const std::string sample = dir.Folder() + "sample/";
  for (const char* n : {"a.wav", "b.wav", "c.wav"}) Track(sample, n);
  SaverSetting.MusicList = {"a.wav", "b.wav", "c.wav"};
  SaverSetting.RandomMusic = true;
  SaverSetting.LoopMusic = false;
  StartSaverMusic();
  EXPECT_EQ(PlayedNames(10).size(), 3u);
}

struct PayloadCase {
  bool loop;
  std::vector<std::string> expected;
};

TEST_F(MusicControlTest, PayloadOrderWithAndWithoutLoop) {
  for (const PayloadCase& c : {PayloadCase{false, {"t0.mp3", "t1.wav", "t2.mp3"}},
                               PayloadCase{true, {"t0.mp3", "t1.wav", "t2.mp3", "t0.mp3", "t1.wav"}}}) {
    for (const char* n : {"t0.mp3", "t1.wav", "t2.mp3"}) Track(TempRoot, n);
    PayloadFound = true;
    MusicIndex = -1;
    SaverSetting.MusicList = {"t0.mp3", "t1.wav", "t2.mp3"};
    SaverSetting.LoopMusic = c.loop;
    StartSaverMusic();
    EXPECT_EQ(DecoderEndHandler, &StartSaverMusic);
    EXPECT_EQ(MediaEndHandler, &StartSaverMusic);
    EXPECT_EQ(PlayedNames(5), c.expected) << "loop " << c.loop;
    FreeMusicPlayers();
  }
}

TEST_F(MusicControlTest, PayloadRandomPicksFromTheWholeList) {
  for (const char* n : {"t0.wav", "t1.wav", "t2.wav"}) Track(TempRoot, n);
  PayloadFound = true;
  SaverSetting.MusicList = {"t0.wav", "t1.wav", "t2.wav"};
  SaverSetting.RandomMusic = true;
  SaverSetting.LoopMusic = false;  // random music never ends
  StartSaverMusic();
  EXPECT_EQ(PlayedNames(12).size(), 12u);
}

TEST_F(MusicControlTest, AMissingPayloadTrackEndsTheMusic) {
  Track(TempRoot, "t0.wav");
  PayloadFound = true;
  SaverSetting.MusicList = {"t0.wav", "gone.wav", "t0.wav"};
  StartSaverMusic();
  EXPECT_EQ(PlayedNames(5), (std::vector<std::string>{"t0.wav"}));
}

TEST_F(MusicControlTest, TheFinishingPlayerIsFreedOnlyAfterItsEventReturned) {
  for (const char* n : {"t0.mp3", "t1.mp3"}) Track(TempRoot, n);
  PayloadFound = true;
  SaverSetting.MusicList = {"t0.mp3", "t1.mp3"};
  StartSaverMusic();
  TMPEGPlayer* first = DecoderPlayer();
  ASSERT_NE(first, nullptr);
  const std::size_t timers = ui.LiveTimers();
  Fake().Finish();
  ui.Advance(1000);  // the end is noticed inside the first player's timer event
  EXPECT_NE(DecoderPlayer(), first);
  EXPECT_EQ(Fake().openedName, TempRoot + "t1.mp3");
  // The first player (with its timer) still exists, now beside the second's
  // timer and the release timer.
  EXPECT_EQ(ui.LiveTimers(), timers + 2);
  ui.Advance(1);
  EXPECT_EQ(ui.LiveTimers(), timers + 1);
  EXPECT_EQ(NowPlaying(), TempRoot + "t1.mp3");

  // The same for the multimedia player's notification.
  for (const char* n : {"w0.wav", "w1.wav"}) Track(TempRoot, n);
  FreeMusicPlayers();
  MusicIndex = -1;
  SaverSetting.MusicList = {"w0.wav", "w1.wav"};
  StartSaverMusic();
  media.FinishPlayback();
  EXPECT_EQ(media.live.size(), 2u);
  ui.Advance(1);
  EXPECT_EQ(media.live.size(), 1u);
  EXPECT_EQ(NowPlaying(), TempRoot + "w1.wav");
}

TEST_F(MusicControlTest, StopMusicStopsAndClosesAndFrees) {
  Track(TempRoot, "t0.mp3");
  Track(TempRoot, "t1.wav");
  PlayTrack(TempRoot + "t0.mp3");
  PlayTrack(TempRoot + "t1.wav");
  StopMusic(true);
  EXPECT_EQ(Fake().mode, mpegdll::kModeNoStream);
  EXPECT_EQ(Fake().Count("Stop"), 1);
  EXPECT_EQ(DecoderPlayer(), nullptr);
  EXPECT_EQ(MultimediaPlayer(), nullptr);
  EXPECT_TRUE(media.live.empty());
  EXPECT_EQ(MusicSet.current, "");

  // A track played to its end is closed too, so the file is let go.
  PlayTrack(TempRoot + "t0.mp3");
  Fake().Finish();
  StopMusic(false);
  EXPECT_EQ(Fake().mode, mpegdll::kModeNoStream);
  EXPECT_NE(DecoderPlayer(), nullptr);
}

TEST_F(MusicControlTest, NoDecoderLibraryMeansSilentMp3s) {
  libraries.Remove(platform::SharedLibraryFileName(kDecoderLibraryBase));
  Track(TempRoot, "t0.mp3");
  PlayTrack(TempRoot + "t0.mp3");
  ASSERT_NE(DecoderPlayer(), nullptr);
  EXPECT_FALSE(DecoderPlayer()->Loaded());
  PlayTrack(TempRoot + "t0.mp3");  // fails quietly again
  EXPECT_EQ(libraries.attempts.size(), 1u);
  EXPECT_EQ(NowPlaying(), "");
}

TEST_F(MusicControlTest, AnUnplayableFileEndsTheMusic) {
  media.unplayable.insert(".MID");
  const std::string sample = dir.Folder() + "sample/";
  Track(sample, "a.mid");
  Track(sample, "b.wav");
  SaverSetting.MusicList = {"a.mid", "b.wav"};
  StartSaverMusic();
  EXPECT_EQ(NowPlaying(), "");
}

}  // namespace
}  // namespace kestro
