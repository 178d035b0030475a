#include "contact_sheet.h"

#include <algorithm>
#include <string>

#include "common/arith.h"
#include "platform/api/text.h"
#include "raster/stretch.h"
#include "transition/effect.h"

namespace kestro::effects_tool {

namespace {

constexpr std::int32_t kThumbWidth = 160;
constexpr std::int32_t kGap = 4;
constexpr std::int32_t kMargin = 10;
constexpr std::int32_t kColumns = 3;
constexpr TColor kBackground = RGBColor(32, 32, 32);

platform::FontSpec LabelFont() {
  platform::FontSpec font;
  font.name = "Arial";
  font.size = 9;
  font.color = RGBColor(240, 240, 240);
  return font;
}

void Label(Bitmap24& sheet, std::int32_t x, std::int32_t y, const std::string& text) {
  const platform::Pixels pixels{sheet.Bits(), sheet.Width(), sheet.Height(),
                                static_cast<std::ptrdiff_t>(sheet.Stride())};
  platform::Text().Draw(pixels, x, y, LabelFont(), text);
}

}  // namespace

Bitmap24 MakeContactSheet(EffectRenderer& renderer, std::int32_t width, std::int32_t height,
                          const std::vector<int>& effects, const std::vector<int>& progress) {
  const std::int32_t thumbW = std::min(kThumbWidth, width);
  const std::int32_t thumbH = std::max(1, MulDiv(height, thumbW, width));
  const std::int32_t labelH = std::max(14, platform::Text().Measure(LabelFont(), "0Ag").Y) + 4;
  const auto count = static_cast<std::int32_t>(progress.size());
  const std::int32_t cellW = count * thumbW + (count - 1) * kGap;
  const std::int32_t cellH = labelH + thumbH;
  const std::int32_t columns = std::min<std::int32_t>(kColumns, static_cast<std::int32_t>(effects.size()));
  const std::int32_t rows = (static_cast<std::int32_t>(effects.size()) + columns - 1) / columns;

  std::string header = "Progress";
  for (std::size_t i = 0; i < progress.size(); ++i) header += (i == 0 ? " " : ", ") + std::to_string(progress[i]);
  header += " %, left to right";
  const std::int32_t top = kMargin + labelH + kGap;
  Bitmap24 sheet(kMargin + columns * (cellW + kMargin), top + rows * (cellH + kMargin), kBackground);
  Label(sheet, kMargin, kMargin, header);

  for (std::size_t i = 0; i < effects.size(); ++i) {
    const int number = effects[i];
    const std::int32_t x = kMargin + static_cast<std::int32_t>(i % columns) * (cellW + kMargin);
    const std::int32_t y = top + static_cast<std::int32_t>(i / columns) * (cellH + kMargin);
    const TEffect* effect = FindEffect(number);
    Label(sheet, x, y, std::to_string(number) + "  " + (effect != nullptr ? effect->Name : "no effect"));
    for (std::int32_t k = 0; k < count; ++k) {
      const Bitmap24 frame = renderer.Frame(number, progress[static_cast<std::size_t>(k)]);
      const std::int32_t tx = x + k * (thumbW + kGap);
      StretchCopy(sheet, {tx, y + labelH, tx + thumbW, y + labelH + thumbH}, frame, frame.Bounds());
    }
  }
  return sheet;
}

}  // namespace kestro::effects_tool
