// The MP3 player over a fake decoder library on the headless backend: the
// library loading rules, every operation's steps and the end detection.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/paths.h"
#include "music/fake_decoder.h"
#include "music/mpeg_play.h"
#include "platform/headless/headless_ui.h"

namespace kestro {
namespace {

using testing::Fake;
using testing::FakeDecoder;

const std::string kLibrary = platform::SharedLibraryFileName(kDecoderLibraryBase);

class MPEGPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui.Install();
    libraries.Install();
    Fake() = FakeDecoder{};
    libraries.Add(kLibrary, testing::FakeDecoderExports());
  }
  void TearDown() override {
    player.reset();
    libraries.Uninstall();
    ui.Uninstall();
  }
  TMPEGPlayer& Loaded() {
    player->LoadDecoder();
    return *player;
  }
  TMPEGPlayer& Playing(const std::string& name = "song.mp3") {
    Loaded().SetStreamName(name);
    player->Open();
    player->Play();
    return *player;
  }
  // Runs `step` and answers the error it raised (code 255 when none).
  template <typename Step>
  static std::pair<int, std::string> Raised(Step step) {
    try {
      step();
    } catch (const TMPEGError& e) {
      return {e.ErrorCode, e.Message()};
    }
    return {255, ""};
  }

  platform::HeadlessWindowSystem ui;
  platform::HeadlessLibraryLoader libraries;
  std::unique_ptr<TMPEGPlayer> player = std::make_unique<TMPEGPlayer>();
};

TEST(MPEGErrorTest, MessagesOfTheTableAndBeyond) {
  const std::vector<std::string> table = {"MPEG library not loaded", "Internal decoder error", "Incorrect mode",
                                          "Input stream error",      "Input stream is non-seekable",
                                          "Output device failure"};
  for (int code = 0; code < 6; ++code) {
    const TMPEGError e(code);
    EXPECT_EQ(e.Message(), table[code]);
    EXPECT_EQ(e.ErrorCode, code);
  }
  EXPECT_EQ(TMPEGError(300).ErrorCode, 300 & 0xFF);
  EXPECT_NE(TMPEGError(300).Message(), "");
}

TEST(MPEGErrorTest, PriorityValues) {
  const std::vector<std::pair<TPlayPriority, int>> values = {
      {TPlayPriority::Idle, -15},       {TPlayPriority::Lowest, -2},  {TPlayPriority::BelowNormal, -1},
      {TPlayPriority::Normal, 0},       {TPlayPriority::AboveNormal, 1}, {TPlayPriority::Highest, 2},
      {TPlayPriority::TimeCritical, 15}};
  for (const auto& [priority, value] : values) {
    TMPEGPlayer p;
    p.SetPlayerPriority(priority);  // not loaded: stored only
    EXPECT_EQ(p.PriorityValue(), value);
    EXPECT_EQ(p.PlayerPriority(), priority);
  }
}

TEST_F(MPEGPlayerTest, LibraryPathRule) {
  const std::string sep(1, kPathSep);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", kLibrary},
      {"lib", "lib" + sep + kLibrary},
      {"lib" + sep, "lib" + sep + kLibrary},
      {"C:", "C:" + kLibrary},
  };
  for (const auto& [folder, path] : cases) {
    libraries.attempts.clear();
    TMPEGPlayer p;
    p.PathToDLL = folder;
    try {
      p.LoadDecoder();
    } catch (const TMPEGError&) {
    }
    ASSERT_EQ(libraries.attempts.size(), 1u);
    EXPECT_EQ(libraries.attempts[0], path) << "PathToDLL " << folder;
  }
}

TEST_F(MPEGPlayerTest, NoLibraryCannotBeLoaded) {
  libraries.Remove(kLibrary);
  const auto [code, message] = Raised([&] { player->LoadDecoder(); });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(message, "Can't load MPEG library");
  EXPECT_FALSE(player->Loaded());
  EXPECT_EQ(player->PositionTimer(), nullptr);
}

TEST_F(MPEGPlayerTest, EachMissingExportReleasesTheLibrary) {
  for (const char* name : mpegdll::kExportNames) {
    auto exports = testing::FakeDecoderExports();
    exports.erase(name);
    libraries.Add(kLibrary, exports);
    TMPEGPlayer p;
    const auto [code, message] = Raised([&] { p.LoadDecoder(); });
    EXPECT_EQ(code, 0) << name;
    EXPECT_EQ(message, "MPEG library not loaded") << name;
    EXPECT_FALSE(p.Loaded()) << name;
    EXPECT_EQ(libraries.loadCounts[kLibrary], 0) << name;
  }
}

TEST_F(MPEGPlayerTest, FailingInitForgetsTheHandleButKeepsTheLibraryLoaded) {
  Fake().initAnswer = 0x100;  // only the low byte counts
  Fake().initError = 1;
  const auto [code, message] = Raised([&] { player->LoadDecoder(); });
  EXPECT_EQ(code, 1);
  EXPECT_EQ(message, "Internal decoder error");
  EXPECT_FALSE(player->Loaded());
  EXPECT_EQ(player->LastErrorCode(), 1);
  EXPECT_EQ(libraries.loadCounts[kLibrary], 1);
}

TEST_F(MPEGPlayerTest, LoadingCreatesTheDisabledPositionTimer) {
  Loaded();
  ASSERT_NE(player->PositionTimer(), nullptr);
  EXPECT_FALSE(player->PositionTimer()->Enabled());
  EXPECT_EQ(player->PositionTimer()->Interval(), 1000u);
  EXPECT_EQ(player->StreamLength(), 0);
}

TEST_F(MPEGPlayerTest, EveryOperationNeedsTheLibrary) {
  std::vector<std::function<void()>> steps = {
      [&] { player->Open(); }, [&] { player->Play(); },  [&] { player->Restart(); },
      [&] { player->Close(); }, [&] { player->Mode(); }, [&] { player->Position(); },
      [&] { player->Length(); }};
  for (auto& step : steps) EXPECT_EQ(Raised(step).first, 0);
}

TEST_F(MPEGPlayerTest, OpenByName) {
  EXPECT_EQ(Raised([&] { Loaded().Open(); }), std::make_pair(int{kCantPlayUnspecified},
                                                             std::string("Can't play non-specified stream")));
  player->SetStreamName(std::string(600, 'a'));
  player->Open();
  EXPECT_EQ(Fake().openedName, std::string(511, 'a'));
  EXPECT_EQ(Fake().fromStream, 0);
  EXPECT_EQ(Fake().user, nullptr);
  EXPECT_TRUE(player->Opened());
  EXPECT_EQ(player->PlayedXTimes(), 1);
  EXPECT_EQ(player->StreamLength(), 3000);
  EXPECT_EQ(Fake().Count("Play"), 0);

  // A new name closes the open stream.
  player->SetStreamName("b.mp3");
  EXPECT_FALSE(player->Opened());
  EXPECT_EQ(player->PlayedXTimes(), 0);
  EXPECT_EQ(Fake().Count("Close"), 1);

  Fake().openError = 3;
  EXPECT_EQ(Raised([&] { player->Open(); }), std::make_pair(3, std::string("Input stream error")));
  EXPECT_FALSE(player->Opened());
}

TEST_F(MPEGPlayerTest, AutoPlayPlaysAfterOpen) {
  Loaded().AutoPlay = true;
  player->SetStreamName("a.mp3");
  player->Open();
  EXPECT_TRUE(player->Playing());
  EXPECT_EQ(player->PlayedXTimes(), 2);
}

TEST_F(MPEGPlayerTest, StreamCallbacksGiveDefaultsOrPassToTheEvents) {
  Loaded().FromStream = true;
  player->Open();
  FakeDecoder& f = Fake();
  EXPECT_EQ(f.fromStream, 1);
  EXPECT_EQ(f.user, player.get());
  std::uint8_t flag = 1, ok = 1;
  void* context = reinterpret_cast<void*>(1);
  std::int32_t n = 7, res = 7;
  f.openCb(f.user, &flag, &context);
  EXPECT_EQ(context, nullptr);
  f.restartCb(f.user, context, &ok);
  EXPECT_EQ(ok, 0);
  ok = 1;
  char buffer[4];
  f.readCb(f.user, context, buffer, 4, &n, &ok);
  EXPECT_EQ(ok, 0);
  f.seekCb(f.user, context, 10, 0, &res);
  EXPECT_EQ(res, -1);
  res = 7;
  f.sizeCb(f.user, context, &res);
  EXPECT_EQ(res, -1);

  int marker = 0;
  player->OnOpenStream = [&](bool& nonseekable, void*& ctx) {
    nonseekable = true;
    ctx = &marker;
  };
  player->OnReadStream = [&](void* ctx, void* buf, std::int32_t want, std::int32_t& got, bool& r) {
    EXPECT_EQ(ctx, &marker);
    std::memset(buf, 'x', want);
    got = want;
    r = true;
  };
  player->OnSeekStream = [&](void*, std::int32_t bytes, std::int32_t method, std::int32_t& r) { r = bytes + method; };
  player->OnGetStreamSize = [&](void*, std::int32_t& r) { throw std::runtime_error("no size"); };
  flag = 0;
  f.openCb(f.user, &flag, &context);
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(context, &marker);
  f.readCb(f.user, context, buffer, 4, &n, &ok);
  EXPECT_EQ(n, 4);
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(std::string(buffer, 4), "xxxx");
  f.seekCb(f.user, context, 10, 2, &res);
  EXPECT_EQ(res, 12);
  f.sizeCb(f.user, context, &res);
  EXPECT_EQ(res, -1);  // an event that raises gives the default
}

TEST_F(MPEGPlayerTest, PlaySetsPriorityAndDeviceThenStartsTheTimer) {
  Loaded().SetPlayerPriority(TPlayPriority::Highest);
  player->OutFilename = std::string(300, 'o');
  player->SetOutputDevice(TOutputDevice::pcmfile);
  player->StartPos = 5;
  player->EndPos = 9;
  std::vector<std::pair<int, int>> reports;
  player->OnPosUpdate = [&](std::int32_t pos, std::int32_t len) { reports.emplace_back(pos, len); };
  Fake().position = 120;
  player->SetStreamName("a.mp3");
  player->Play();  // opens first
  EXPECT_EQ(Fake().priority, 2);
  EXPECT_EQ(Fake().device, 2);
  EXPECT_EQ(Fake().outName, std::string(259, 'o'));
  EXPECT_EQ(Fake().calls.back(), "Play 5 9");
  EXPECT_TRUE(player->Playing());
  EXPECT_EQ(player->PlayedXTimes(), 2);
  EXPECT_TRUE(player->PositionTimer()->Enabled());
  ASSERT_EQ(reports.size(), 1u);  // the first report comes at once
  EXPECT_EQ(reports[0], std::make_pair(120, 3000));
  ui.Advance(1000);
  EXPECT_EQ(reports.size(), 2u);

  player->Play();  // already playing: nothing more
  EXPECT_EQ(Fake().Count("Play"), 1);
}

TEST_F(MPEGPlayerTest, PlayFailures) {
  Loaded().SetStreamName("a.mp3");
  Fake().playResult = 1;  // only the result tells
  EXPECT_EQ(Raised([&] { player->Play(); }), std::make_pair(0, std::string("MPEG library not loaded")));
  EXPECT_FALSE(player->Playing());
  Fake().playError = 5;
  EXPECT_EQ(Raised([&] { player->Play(); }).first, 5);
  EXPECT_FALSE(player->PositionTimer()->Enabled());
}

TEST_F(MPEGPlayerTest, PausingAndResuming) {
  Loaded();
  EXPECT_EQ(Raised([&] { player->SetPaused(true); }), std::make_pair(2, std::string("Incorrect mode")));
  EXPECT_FALSE(player->Paused());
  player->SetPaused(false);  // resuming what does not play only clears the flag
  Playing();
  player->SetPaused(true);
  EXPECT_TRUE(player->Paused());
  EXPECT_EQ(Fake().calls.back(), "Pause 0");
  player->Play();  // resumes
  EXPECT_FALSE(player->Paused());
  EXPECT_EQ(Fake().calls.back(), "Pause 1");
  Fake().Finish();
  EXPECT_EQ(Raised([&] { player->SetPaused(true); }).first, 2);
}

TEST_F(MPEGPlayerTest, StopRestartAndClose) {
  Loaded();
  EXPECT_EQ(Raised([&] { player->Stop(); }).first, 2);
  EXPECT_EQ(Raised([&] { player->Restart(); }).first, 2);  // nothing open
  Playing();
  player->Stop();
  EXPECT_FALSE(player->Playing());
  EXPECT_EQ(Fake().Count("Stop"), 1);
  player->Play();  // played before: restarts
  EXPECT_EQ(Fake().calls.back(), "Restart");
  EXPECT_EQ(player->PlayedXTimes(), 3);
  EXPECT_TRUE(player->Playing());
  player->Close();
  EXPECT_FALSE(player->Opened());
  EXPECT_FALSE(player->Playing());
  EXPECT_EQ(player->PlayedXTimes(), 0);
}

TEST_F(MPEGPlayerTest, EndOfPlayIsNoticedAtTheNextTick) {
  int ends = 0;
  player->OnPlayEnd = [&](TMPEGPlayer& sender) {
    EXPECT_EQ(&sender, player.get());
    EXPECT_FALSE(sender.EndFlag());
    ++ends;
  };
  Playing();
  Fake().Finish();
  ui.Advance(999);
  EXPECT_EQ(ends, 0);
  EXPECT_TRUE(player->Playing());
  ui.Advance(1);
  EXPECT_EQ(ends, 1);
  EXPECT_FALSE(player->Playing());
  EXPECT_FALSE(player->PositionTimer()->Enabled());
  ui.Advance(5000);
  EXPECT_EQ(ends, 1);
  // Without a handler the end byte stays set.
  player->OnPlayEnd = nullptr;
  player->Play();
  Fake().Finish();
  ui.Advance(1000);
  EXPECT_TRUE(player->EndFlag());
}

TEST_F(MPEGPlayerTest, PositionBeyondTheLengthIsReportedAsZero) {
  std::vector<int> positions;
  player->OnPosUpdate = [&](std::int32_t pos, std::int32_t) { positions.push_back(pos); };
  Fake().position = 3001;
  Playing();
  Fake().position = 3000;
  ui.Advance(1000);
  EXPECT_EQ(positions, (std::vector<int>{0, 3000}));
}

TEST_F(MPEGPlayerTest, TimerFreqZeroMeansNoReportsAndNoEnd) {
  int ends = 0, reports = 0;
  player->OnPlayEnd = [&](TMPEGPlayer&) { ++ends; };
  player->OnPosUpdate = [&](std::int32_t, std::int32_t) { ++reports; };
  player->SetTimerFreq(0);
  EXPECT_FALSE(player->UseTimer());
  Playing();
  EXPECT_FALSE(player->PositionTimer()->Enabled());
  Fake().Finish();
  ui.Advance(10000);
  EXPECT_EQ(ends, 0);
  EXPECT_EQ(reports, 0);
  EXPECT_TRUE(player->Playing());
}

TEST_F(MPEGPlayerTest, PcmFileNeedsAFileNameWhenChosen) {
  player->SetOutputDevice(TOutputDevice::pcmfile);
  EXPECT_EQ(player->DeviceCode(), 0);
  EXPECT_EQ(player->OutputDevice(), TOutputDevice::wavemapper);
  player->OutFilename = "out.wav";
  EXPECT_EQ(player->DeviceCode(), 0);
  player->SetOutputDevice(TOutputDevice::pcmfile);
  EXPECT_EQ(player->DeviceCode(), 2);
  EXPECT_EQ(player->OutputDevice(), TOutputDevice::pcmfile);
}

TEST_F(MPEGPlayerTest, PriorityGoesToALoadedLibrary) {
  Loaded().SetPlayerPriority(TPlayPriority::Idle);
  EXPECT_EQ(Fake().priority, -15);
  Fake().queryError = 1;
  EXPECT_EQ(Raised([&] { player->Mode(); }).first, 1);
  EXPECT_EQ(player->LastErrorCode(), 1);
}

}  // namespace
}  // namespace kestro
