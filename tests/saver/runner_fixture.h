#pragma once

// A runner over an offscreen window on the headless window system, with a
// manual clock, settings filled in directly and pictures written to a
// scratch folder; every change the runner makes is recorded.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/random.h"
#include "platform/headless/headless_ui.h"
#include "saver/run_vorelscreen.h"
#include "payload/payload_settings.h"
#include "settings/saver_setting.h"
#include "support/temp_dir.h"
#include "transition/display_fixture.h"

namespace kestro::testing {

// One change of picture as the runner made it.
struct ChangeRecord {
  std::uint64_t start = 0;  // the first frame (the tick that started it)
  std::uint64_t end = 0;    // OnComplete
  int style = -1;
  std::string file;         // CurrentFile
  std::int32_t index = -1;  // PictureIndex
  std::string caption;      // the component's CaptionText
  std::vector<std::pair<std::uint64_t, int>> frames;  // (time, progress)
};

class RunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui.Install();
    platform::InstallTextRenderer(&text);
    SaverSetting = TSaverSetting{};
    SaverSetting.ImageSequence = 0;
    SaverSetting.EnabledEffects.reset();
    SaverSetting.TempImageFile = dir.File("tempimagefile");
    PayloadSettings() = TMemIniFile();
    RandomState = 20240601;
    MakeWindow(200, 100);
  }

  void TearDown() override {
    runner.reset();
    window.reset();
    SaverSetting = TSaverSetting{};
    PayloadSettings() = TMemIniFile();
    platform::InstallTextRenderer(nullptr);
    ui.Uninstall();
  }

  void MakeWindow(std::int32_t w, std::int32_t h) {
    runner.reset();
    platform::WindowParams params;
    params.bounds = {0, 0, w, h};
    params.color = RGBColor(9, 9, 9);
    window = ui.NewWindow(params);
    window->Show();
  }

  // Writes a picture into the scratch folder; returns its path.
  std::string WritePicture(const std::string& name, const Bitmap24& b) {
    const std::string path = dir.File(name);
    WriteBmp(path, b);
    return path;
  }
  // Writes a picture and appends it to PictureList.
  std::string AddPicture(const std::string& name, const Bitmap24& b) {
    const std::string path = WritePicture(name, b);
    SaverSetting.PictureList.push_back(path);
    return path;
  }

  void SetPayloadSettings(const std::string& text) {
    PayloadSettings() = TMemIniFile();
    PayloadSettings().LoadFromText(text);
  }

  // Builds the runner and records its changes; the completion still
  // reaches the runner.
  void Start(bool preview = false) {
    runner = std::make_unique<TRunVorelscreen>(*window, preview);
    TVorelscreen& d = runner->Display();
    d.OnProgress = [this](TCustomVorelscreen& s) {
      if (!inChange_) {
        inChange_ = true;
        changes.push_back({});
        changes.back().start = ui.Now();
        changes.back().style = runner->Display().Style();
        changes.back().file = runner->CurrentFile();
        changes.back().index = runner->PictureIndex();
        changes.back().caption = runner->Display().CaptionText;
        if (onChangeStart) onChangeStart(changes.back());
      }
      changes.back().frames.push_back({ui.Now(), s.Progress()});
    };
    d.OnComplete = [this](TCustomVorelscreen&) {
      inChange_ = false;
      if (!changes.empty()) changes.back().end = ui.Now();
      ++completed;
      if (onCompleted) onCompleted();
      runner->ChangeCompleted();
    };
  }

  // Runs the clock until `count` changes have completed (or `limit` ms passed).
  void RunChanges(std::size_t count, std::uint64_t limit = 600000) {
    const std::uint64_t end = ui.Now() + limit;
    while (static_cast<std::size_t>(completed) < count && ui.Now() < end) ui.Advance(10);
    ui.RunUntilIdle();
  }

  std::vector<int> Styles() const {
    std::vector<int> v;
    for (const ChangeRecord& c : changes) v.push_back(c.style);
    return v;
  }
  std::vector<int> Indexes() const {
    std::vector<int> v;
    for (const ChangeRecord& c : changes) v.push_back(c.index);
    return v;
  }

  // The effect set holding just these numbers.
  static TEffectSet Effects(std::initializer_list<int> numbers) {
    TEffectSet s;
    for (int n : numbers) s.set(static_cast<std::size_t>(n));
    return s;
  }

  TempDir dir;
  platform::HeadlessWindowSystem ui;
  BoxText text;
  std::unique_ptr<platform::Window> window;
  std::unique_ptr<TRunVorelscreen> runner;
  std::vector<ChangeRecord> changes;
  int completed = 0;
  std::function<void(ChangeRecord&)> onChangeStart;
  std::function<void()> onCompleted;

 private:
  bool inChange_ = false;
};

}  // namespace kestro::testing
