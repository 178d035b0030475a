#pragma once

// A display component in an offscreen window on the headless window system,
// with a manual clock, and helpers to make and compare pictures
// (support/pictures.h has those the wine programs share).

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "imaging/graphic.h"
#include "imaging/picture.h"
#include "platform/api/text.h"
#include "platform/headless/headless_ui.h"
#include "raster/bitmap24.h"
#include "support/pictures.h"
#include "transition/vorelscreen.h"

namespace kestro::testing {

// A picture whose every pixel tells its position: red = x mod 256,
// green = y mod 256, blue = seed + x div 256 * 16 + y div 256.
inline Bitmap24 PositionBitmap(std::int32_t w, std::int32_t h, std::uint8_t seed = 0) {
  Bitmap24 b(w, h);
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      b.SetPixel(x, y, RGBColor(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                                static_cast<std::uint8_t>(seed + (x >> 8) * 16 + (y >> 8))));
    }
  }
  return b;
}

inline void SetBitmap(TPicture& picture, Bitmap24 bitmap) {
  picture.SetGraphic(std::make_unique<TBitmap>(std::move(bitmap)));
}

inline const Bitmap24& BitmapOf(const TPicture& picture) {
  return dynamic_cast<const TBitmap&>(*picture.Graphic()).Image();
}

// Text of fixed metrics: every character 7 x 16; draws a filled box.
class BoxText final : public platform::TextRenderer {
 public:
  TPoint Measure(const platform::FontSpec&, std::string_view text) override {
    return {static_cast<std::int32_t>(text.size()) * 7, 16};
  }
  void Draw(const platform::Pixels& target, std::int32_t x, std::int32_t y, const platform::FontSpec& font,
            std::string_view text) override {
    drawn.push_back({x, y});
    const std::int32_t w = static_cast<std::int32_t>(text.size()) * 7;
    for (std::int32_t row = std::max(y, 0); row < std::min(y + 16, target.height); ++row) {
      for (std::int32_t col = std::max(x, 0); col < std::min(x + w, target.width); ++col) {
        std::uint8_t* p = target.data + row * target.stride + col * 3;
        p[0] = static_cast<std::uint8_t>(font.color >> 16);
        p[1] = static_cast<std::uint8_t>(font.color >> 8);
        p[2] = static_cast<std::uint8_t>(font.color);
      }
    }
  }
  std::vector<TPoint> drawn;
};

class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui.Install();
    platform::InstallTextRenderer(&text);
    MakeWindow(200, 100);
  }
  void TearDown() override {
    display.reset();
    window.reset();
    platform::InstallTextRenderer(nullptr);
    ui.Uninstall();
  }

  void MakeWindow(std::int32_t w, std::int32_t h, TColor color = RGBColor(1, 2, 3)) {
    display.reset();
    platform::WindowParams params;
    params.bounds = {0, 0, w, h};
    params.color = color;
    window = ui.NewWindow(params);
    window->Show();
    display = std::make_unique<TVorelscreen>(*window);
    display->SetAlign(TAlign::alClient);
    display->SetColor(0);
    display->OnProgress = [this](TCustomVorelscreen& s) { progress.push_back(s.Progress()); };
    display->OnComplete = [this](TCustomVorelscreen&) { ++completed; };
    ui.RunUntilIdle();
  }

  platform::HeadlessWindow& Headless() { return static_cast<platform::HeadlessWindow&>(*window); }

  // Runs the clock until the change has ended (or the limit has passed).
  void RunUntilDone(std::uint64_t limit = 60000) {
    const std::uint64_t end = ui.Now() + limit;
    while (display->Busy() && ui.Now() < end) ui.Advance(10);
    ui.RunUntilIdle();
  }

  // Shows `b` at once: a change without an effect.
  void Show(const Bitmap24& b) {
    SetBitmap(display->Picture(), b);
    const TShowStyle style = display->Style();
    display->SetStyle(0);
    display->Execute();
    RunUntilDone();
    display->SetStyle(style);
  }

  platform::HeadlessWindowSystem ui;
  BoxText text;
  std::unique_ptr<platform::Window> window;
  std::unique_ptr<TVorelscreen> display;
  std::vector<int> progress;
  int completed = 0;
};

}  // namespace kestro::testing
