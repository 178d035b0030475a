#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/geometry.h"
#include "platform/api/ui.h"

namespace kestro::platform {

struct FontSpec {
  std::string name = "MS Sans Serif";
  std::int32_t size = 9;           // points
  std::uint32_t color = 0xFFFFFF;  // 0x00BBGGRR
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeout = false;
};

// Draws single-line ANSI (Windows code page 1252) text: GDI with the named
// font on Windows; FreeType with fontconfig elsewhere, falling back to a
// scalable font that is always installed when the named one is missing.
class TextRenderer {
 public:
  virtual ~TextRenderer() = default;
  // Width and height of the text in the font (the height of a line).
  virtual TPoint Measure(const FontSpec& font, std::string_view text) = 0;
  // Draws the text with its top-left at (x, y), transparent background,
  // clipped to the pixels.
  virtual void Draw(const Pixels& target, std::int32_t x, std::int32_t y, const FontSpec& font,
                    std::string_view text) = 0;
};

TextRenderer& Text();
// Installs a renderer (tests may); nullptr restores the native one.
void InstallTextRenderer(TextRenderer* renderer);

}  // namespace kestro::platform
