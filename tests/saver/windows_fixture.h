#pragma once

// The show's windows on the headless window system: settings filled in
// directly, an in-memory user store, scripted input and monitors.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "common/startup_values.h"
#include "common/random.h"
#include "payload/payload.h"
#include "platform/headless/headless_ui.h"
#include "platform/headless/headless_user_store.h"
#include "saver/fullscreen_form.h"
#include "saver/multi_screen_form.h"
#include "saver/saver_password.h"
#include "payload/payload_settings.h"
#include "settings/saver_setting.h"
#include "support/temp_dir.h"
#include "transition/display_fixture.h"

namespace kestro {
inline void PrintTo(const TRect& r, std::ostream* os) {
  *os << "(" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
}
}  // namespace kestro

namespace kestro::testing {

class WindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui.Install();
    platform::InstallTextRenderer(&text);
    platform::InstallUserStore(&store);
    SaverSetting = TSaverSetting{};
    SaverSetting.EnabledEffects.reset();
    SaverSetting.ImageSequence = 0;
    PayloadSettings() = TMemIniFile();
    RunMode = kRunSaver;
    ParentWindow = 0;
    RunAsExe = false;
    HackConvention = kHackNone;
    HackWindow = 0;
    MouseMoveAllowance = 20;
  }

  void TearDown() override {
    form.reset();
    FreeMirrorWindows();
    SaverSetting = TSaverSetting{};
    RunMode = kRunConfigure;
    ParentWindow = 0;
    RunAsExe = false;
    HackConvention = kHackNone;
    HackWindow = 0;
    platform::InstallUserStore(nullptr);
    platform::InstallTextRenderer(nullptr);
    ui.Uninstall();
  }

  // Public: the table-driven cases reach the helpers through the fixture.
 public:
  // Creates and shows the full-screen window.
  void StartShow() {
    form = std::make_unique<TFullscreenForm>();
    form->Show();
    ui.RunUntilIdle();
  }

  platform::HeadlessWindow& ShowWindow() { return static_cast<platform::HeadlessWindow&>(form->Window()); }
  bool Closed() { return ShowWindow().Closed(); }

  void Send(std::uint32_t message, std::uintptr_t wParam = 0) {
    ui.Post({form != nullptr ? form->Window().Handle() : 0, message, wParam, 0});
    ui.RunUntilIdle();
  }
  void Key(std::uintptr_t vk = 'A') { Send(platform::kWmKeyDown, vk); }
  void Moves(int count) {
    for (int i = 0; i < count; ++i) Send(platform::kWmMouseMove);
  }
  // How many of the messages with this number reached a window.
  int Dispatched(std::uint32_t message) const {
    int n = 0;
    for (const platform::InputMessage& m : ui.dispatched) n += m.message == message ? 1 : 0;
    return n;
  }

  // Turns password protection on, stored as text as Windows stores it.
  void ProtectWithPassword(const std::string& value = "1") {
    store.SetString(kDesktopKey, kUsePasswordValue, value);
  }

  // A picture of four coloured quarters, written as a bitmap file.
  std::string QuarterPicture(const std::string& name, std::int32_t w, std::int32_t h) {
    Bitmap24 b(w, h);
    b.FillRect({0, 0, w / 2, h / 2}, kTopLeft);
    b.FillRect({w / 2, 0, w, h / 2}, kTopRight);
    b.FillRect({0, h / 2, w / 2, h}, kBottomLeft);
    b.FillRect({w / 2, h / 2, w, h}, kBottomRight);
    const std::string path = dir.File(name);
    WriteBmp(path, b);
    return path;
  }
  static constexpr TColor kTopLeft = RGBColor(250, 0, 0);
  static constexpr TColor kTopRight = RGBColor(0, 250, 0);
  static constexpr TColor kBottomLeft = RGBColor(0, 0, 250);
  static constexpr TColor kBottomRight = RGBColor(250, 250, 0);

  TempDir dir;
  platform::HeadlessWindowSystem ui;
  platform::HeadlessUserStore store;
  BoxText text;
  std::unique_ptr<TFullscreenForm> form;
};

}  // namespace kestro::testing
