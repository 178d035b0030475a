// Caption text on Linux: FreeType glyphs, fonts found through fontconfig.
//
// Metrics follow what GDI reports for a TrueType font, so that captions are
// placed alike on both platforms: the size in points becomes a font height of
// -MulDiv(size, 96, 72) pixels (96 dpi, the usual screen); a negative height
// is the em height, a positive one the cell height (ascent + descent). The
// line height is the Windows ascent + descent (OS/2 usWinAscent and
// usWinDescent) without the line gap, the width the sum of the hinted advances
// in whole pixels, without kerning.
//
// A font name that fontconfig does not know as an installed scalable family
// falls back to DejaVu Sans (the package fonts-dejavu-core), never to
// whatever fontconfig would pick next, so that captions look the same on every
// machine with our packages.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>

#include "common/ansi.h"
#include "common/arith.h"
#include "platform/native.h"

namespace kestro::platform {

namespace {

constexpr char kFallbackFamily[] = "DejaVu Sans";
// Where Debian's fonts-dejavu-core puts the fallback, for a machine whose
// fontconfig cannot find it.
constexpr const char* kFallbackFiles[2][2] = {
    {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
     "/usr/share/fonts/truetype/dejavu/DejaVuSans-Oblique.ttf"},
    {"/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
     "/usr/share/fonts/truetype/dejavu/DejaVuSans-BoldOblique.ttf"},
};

constexpr std::int32_t kScreenDpi = 96;
// The cell height a font height of 0 stands for, as GDI takes it.
constexpr std::int32_t kDefaultCell = 16;
// Larger fonts are drawn at this em height: a caption taller than any screen
// is no use, and glyph bitmaps grow with the square of the size.
constexpr std::int32_t kMaxEm = 2048;
// The slant of synthetic italics: tan(12 degrees) in 16.16.
constexpr FT_Fixed kObliqueShear = 0x0366A;

// Code page 1252 bytes 0x80 to 0x9F; the five unassigned ones map to the C1
// controls of the same number, as Windows maps them.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t Cp1252ToUnicode(unsigned char c) {
  if (c >= 0x80 && c < 0xA0) return kCp1252High[c - 0x80];
  return c;
}

std::string Cp1252ToUtf8(std::string_view text) {
  std::string out;
  for (const char ch : text) {
    const char32_t u = Cp1252ToUnicode(static_cast<unsigned char>(ch));
    if (u < 0x80) {
      out.push_back(static_cast<char>(u));
    } else if (u < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (u >> 6)));
      out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (u >> 12)));
      out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    }
  }
  return out;
}

// Font units to whole pixels, rounded to the nearest, at an em of em64 / 64 pixels.
std::int32_t Scale(std::int64_t units, std::int64_t em64, std::int32_t unitsPerEm) {
  const std::int64_t num = units * em64;
  const std::int64_t den = static_cast<std::int64_t>(unitsPerEm) * 64;
  return static_cast<std::int32_t>(num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den));
}

struct FontFile {
  std::string path;
  int index = 0;
};

// The installed scalable face of exactly this family that fits the style
// best, or nothing when the family is not installed.
std::optional<FontFile> MatchFamily(const std::string& familyUtf8, bool bold, bool italic) {
  FcPattern* pattern = FcPatternCreate();
  if (pattern == nullptr) return std::nullopt;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(familyUtf8.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddInteger(pattern, FC_WIDTH, FC_WIDTH_NORMAL);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  std::optional<FontFile> found;
  if (FcConfigSubstitute(nullptr, pattern, FcMatchPattern)) {
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    if (match != nullptr) {
      bool sameFamily = false;
      FcChar8* family = nullptr;
      for (int i = 0; !sameFamily && FcPatternGetString(match, FC_FAMILY, i, &family) == FcResultMatch; ++i) {
        sameFamily = FcStrCmpIgnoreCase(family, reinterpret_cast<const FcChar8*>(familyUtf8.c_str())) == 0;
      }
      FcBool outline = FcFalse;
      FcChar8* file = nullptr;
      int index = 0;
      if (sameFamily && FcPatternGetBool(match, FC_OUTLINE, 0, &outline) == FcResultMatch && outline &&
          FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
        found = FontFile{reinterpret_cast<const char*>(file), index};
      }
      FcPatternDestroy(match);
    }
  }
  FcPatternDestroy(pattern);
  return found;
}

// One font at one size, ready to draw.
class Face {
 public:
  Face(FT_Face face, bool bold, bool italic, std::int32_t height) : face_(face) {
    const std::int32_t upem = face->units_per_EM > 0 ? face->units_per_EM : 2048;
    std::int64_t ascender = face->ascender;
    std::int64_t descender = -static_cast<std::int64_t>(face->descender);
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
      ascender = os2->usWinAscent;
      descender = os2->usWinDescent;
    }
    if (ascender + descender <= 0) {
      ascender = upem * 4 / 5;
      descender = upem / 5;
    }
    // A negative height is the em; a positive one the cell, filled by the
    // largest whole-pixel em whose ascent + descent does not exceed it.
    if (height == 0) height = kDefaultCell;
    std::int64_t em = -static_cast<std::int64_t>(height);
    if (height > 0) {
      const std::int64_t cell = std::min<std::int64_t>(height, 4 * kMaxEm);
      em = (cell * upem + (ascender + descender) / 2) / (ascender + descender);
      while (em > 1 && Scale(ascender, em * 64, upem) + Scale(descender, em * 64, upem) > cell) --em;
    }
    em_ = static_cast<std::int32_t>(std::clamp<std::int64_t>(em, 1, kMaxEm));
    const std::int64_t em64 = static_cast<std::int64_t>(em_) * 64;
    usable_ = FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(em_)) == 0;

    ascent_ = std::max(1, Scale(ascender, em64, upem));
    descent_ = std::max(0, Scale(descender, em64, upem));
    embolden_ = bold && (face->style_flags & FT_STYLE_FLAG_BOLD) == 0;
    oblique_ = italic && (face->style_flags & FT_STYLE_FLAG_ITALIC) == 0;
    // Synthetic bold thickens the strokes by a 24th of the em to the right
    // and, as GDI measures it, widens each glyph by one pixel.
    emboldenStrength_ = embolden_ ? std::max<FT_Pos>(64, em64 / 24) : 0;

    underlineThickness_ = std::max(1, Scale(face->underline_thickness, em64, upem));
    // FreeType gives the centre of the underline stroke (negative: below the baseline).
    underlineTop_ = Scale(-static_cast<std::int64_t>(face->underline_position), em64, upem) - underlineThickness_ / 2;
    if (underlineTop_ < 1) underlineTop_ = 1;
    if (os2 != nullptr && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
      strikeoutThickness_ = std::max(1, Scale(os2->yStrikeoutSize, em64, upem));
      // Centred on the font's strikeout position, as GDI draws it.
      strikeoutTop_ = Scale(os2->yStrikeoutPosition, em64, upem) + strikeoutThickness_ / 2;
    } else {
      strikeoutThickness_ = underlineThickness_;
      strikeoutTop_ = ascent_ / 3 + strikeoutThickness_ / 2;
    }
    advances_.fill(-1);
  }
  ~Face() { FT_Done_Face(face_); }
  Face(const Face&) = delete;
  Face& operator=(const Face&) = delete;

  bool Usable() const { return usable_; }
  std::int32_t LineHeight() const { return ascent_ + descent_; }

  std::int64_t Width(std::string_view text) {
    std::int64_t width = 0;
    for (const char ch : text) width += Advance(static_cast<unsigned char>(ch));
    return width;
  }

  void Draw(const Pixels& target, std::int64_t x, std::int64_t y, std::uint32_t color, bool underline,
            bool strikeout, std::string_view text) {
    const std::int64_t baseline = y + ascent_;
    std::int64_t pen = x;
    for (const char ch : text) {
      const unsigned char c = static_cast<unsigned char>(ch);
      // Glyphs wholly outside the target are skipped, not rendered.
      const std::int64_t reach = 4 * static_cast<std::int64_t>(em_);
      if (pen - reach < target.width && pen + Advance(c) + reach > 0 && baseline + reach > 0 &&
          baseline - reach < target.height) {
        DrawGlyph(target, pen, baseline, color, c);
      }
      pen += Advance(c);
    }
    const std::int64_t width = pen - x;
    const std::int64_t bottom = y + LineHeight();
    if (underline) {
      const std::int64_t top = std::min(baseline + underlineTop_, bottom - underlineThickness_);
      FillRow(target, x, std::max(top, y), width, std::min<std::int64_t>(underlineThickness_, LineHeight()), color);
    }
    if (strikeout) {
      const std::int64_t top = std::max(baseline - strikeoutTop_, y);
      FillRow(target, x, top, width, std::min<std::int64_t>(strikeoutThickness_, bottom - top), color);
    }
  }

 private:
  FT_UInt GlyphIndex(unsigned char c) const {
    if (face_->charmap != nullptr && face_->charmap->encoding == FT_ENCODING_MS_SYMBOL) {
      // Symbol fonts map the bytes themselves, at U+F000 on.
      const FT_UInt g = FT_Get_Char_Index(face_, 0xF000u + c);
      return g != 0 ? g : FT_Get_Char_Index(face_, c);
    }
    return FT_Get_Char_Index(face_, Cp1252ToUnicode(c));
  }

  // Loads the glyph of a byte into the face's slot, with the synthetic
  // styles applied; false when it cannot be loaded.
  bool Load(unsigned char c) {
    if (FT_Load_Glyph(face_, GlyphIndex(c), FT_LOAD_NO_BITMAP) != 0) return false;
    FT_GlyphSlot slot = face_->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return false;
    if (embolden_) {
      FT_Outline_EmboldenXY(&slot->outline, emboldenStrength_, 0);
      FT_Outline_Translate(&slot->outline, emboldenStrength_ / 2, 0);
    }
    if (oblique_) {
      FT_Matrix shear{0x10000, kObliqueShear, 0, 0x10000};
      FT_Outline_Transform(&slot->outline, &shear);
    }
    return true;
  }

  std::int32_t Advance(unsigned char c) {
    if (advances_[c] < 0) {
      std::int32_t advance = 0;
      if (Load(c)) advance = static_cast<std::int32_t>((face_->glyph->advance.x + 32) >> 6) + (embolden_ ? 1 : 0);
      advances_[c] = std::max(0, advance);
    }
    return advances_[c];
  }

  void DrawGlyph(const Pixels& target, std::int64_t pen, std::int64_t baseline, std::uint32_t color,
                 unsigned char c) {
    if (!Load(c)) return;
    FT_GlyphSlot slot = face_->glyph;
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO) return;
    const std::int64_t left = pen + slot->bitmap_left;
    const std::int64_t top = baseline - slot->bitmap_top;
    const std::int64_t rowFrom = std::max<std::int64_t>(0, -top);
    const std::int64_t rowTo = std::min<std::int64_t>(bitmap.rows, target.height - top);
    const std::int64_t colFrom = std::max<std::int64_t>(0, -left);
    const std::int64_t colTo = std::min<std::int64_t>(bitmap.width, target.width - left);
    const std::int32_t maxGray = bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 255;
    for (std::int64_t r = rowFrom; r < rowTo; ++r) {
      const unsigned char* src = bitmap.buffer + r * bitmap.pitch;
      std::uint8_t* dst = target.data + (top + r) * target.stride + (left + colFrom) * 3;
      for (std::int64_t col = colFrom; col < colTo; ++col, dst += 3) {
        std::int32_t coverage;
        if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
          coverage = (src[col >> 3] & (0x80 >> (col & 7))) != 0 ? 255 : 0;
        } else {
          coverage = src[col] * 255 / maxGray;
        }
        if (coverage != 0) Blend(dst, color, coverage);
      }
    }
  }

  static void Blend(std::uint8_t* pixel, std::uint32_t color, std::int32_t coverage) {
    const std::int32_t channels[3] = {static_cast<std::int32_t>((color >> 16) & 0xFF),
                                      static_cast<std::int32_t>((color >> 8) & 0xFF),
                                      static_cast<std::int32_t>(color & 0xFF)};
    for (int i = 0; i < 3; ++i) {
      pixel[i] = static_cast<std::uint8_t>((coverage * channels[i] + (255 - coverage) * pixel[i] + 127) / 255);
    }
  }

  static void FillRow(const Pixels& target, std::int64_t x, std::int64_t y, std::int64_t width,
                      std::int64_t height, std::uint32_t color) {
    const std::int64_t x0 = std::max<std::int64_t>(x, 0);
    const std::int64_t x1 = std::min<std::int64_t>(x + width, target.width);
    const std::int64_t y0 = std::max<std::int64_t>(y, 0);
    const std::int64_t y1 = std::min<std::int64_t>(y + height, target.height);
    for (std::int64_t row = y0; row < y1; ++row) {
      std::uint8_t* p = target.data + row * target.stride + x0 * 3;
      for (std::int64_t col = x0; col < x1; ++col, p += 3) Blend(p, color, 255);
    }
  }

  FT_Face face_;
  bool usable_ = false;
  std::int32_t em_ = 1;
  std::int32_t ascent_ = 0;
  std::int32_t descent_ = 0;
  bool embolden_ = false;
  bool oblique_ = false;
  FT_Pos emboldenStrength_ = 0;  // 26.6 pixels
  std::int32_t underlineTop_ = 0;  // below the baseline
  std::int32_t underlineThickness_ = 1;
  std::int32_t strikeoutTop_ = 0;  // above the baseline
  std::int32_t strikeoutThickness_ = 1;
  std::array<std::int32_t, 256> advances_{};
};

class FreeTypeTextRenderer final : public TextRenderer {
 public:
  FreeTypeTextRenderer() {
    if (FT_Init_FreeType(&library_) != 0) library_ = nullptr;
    fontconfig_ = FcInit() == FcTrue;
  }
  ~FreeTypeTextRenderer() override {
    faces_.clear();
    if (library_ != nullptr) FT_Done_FreeType(library_);
  }
  FreeTypeTextRenderer(const FreeTypeTextRenderer&) = delete;
  FreeTypeTextRenderer& operator=(const FreeTypeTextRenderer&) = delete;

  TPoint Measure(const FontSpec& font, std::string_view text) override {
    const std::lock_guard lock(mutex_);
    Face* face = Find(font);
    if (face == nullptr) {
      // No font at all: a rough estimate, so that placement still works.
      const std::int64_t height = FontHeight(font);
      const std::int64_t em = height == 0 ? kDefaultCell : std::clamp<std::int64_t>(std::abs(height), 1, kMaxEm);
      return {static_cast<std::int32_t>(std::min<std::int64_t>(em / 2 * text.size(), INT32_MAX)),
              static_cast<std::int32_t>(em + em / 4)};
    }
    return {static_cast<std::int32_t>(std::min<std::int64_t>(face->Width(text), INT32_MAX)), face->LineHeight()};
  }

  void Draw(const Pixels& target, std::int32_t x, std::int32_t y, const FontSpec& font,
            std::string_view text) override {
    if (text.empty() || target.data == nullptr || target.width <= 0 || target.height <= 0) return;
    const std::int64_t rowBytes = static_cast<std::int64_t>(target.width) * 3;
    if (target.stride < rowBytes && -target.stride < rowBytes) return;
    const std::lock_guard lock(mutex_);
    Face* face = Find(font);
    if (face == nullptr) return;
    face->Draw(target, x, y, font.color & 0xFFFFFF, font.underline, font.strikeout, text);
  }

 private:
  using Key = std::tuple<std::string, bool, bool, std::int32_t>;

  static std::int32_t FontHeight(const FontSpec& font) { return -MulDiv(font.size, kScreenDpi, 72); }

  // The face for a font, made on first use; nullptr when none can be loaded.
  Face* Find(const FontSpec& font) {
    Key key{AnsiLowerCase(font.name), font.bold, font.italic, FontHeight(font)};
    const auto it = faces_.find(key);
    if (it != faces_.end()) return it->second.get();
    if (faces_.size() >= 64) faces_.clear();
    std::unique_ptr<Face> face = Open(font, std::get<3>(key));
    Face* result = face.get();
    faces_.emplace(std::move(key), std::move(face));
    return result;
  }

  std::unique_ptr<Face> Open(const FontSpec& font, std::int32_t height) {
    if (library_ == nullptr) return nullptr;
    std::optional<FontFile> file;
    if (fontconfig_) {
      if (!font.name.empty()) file = MatchFamily(Cp1252ToUtf8(font.name), font.bold, font.italic);
      if (!file) file = MatchFamily(kFallbackFamily, font.bold, font.italic);
    }
    if (file) {
      if (auto face = Load(*file, font, height)) return face;
    }
    // The fallback's own files, then its regular face with synthetic styles.
    if (auto face = Load({kFallbackFiles[font.bold][font.italic], 0}, font, height)) return face;
    return Load({kFallbackFiles[0][0], 0}, font, height);
  }

  std::unique_ptr<Face> Load(const FontFile& file, const FontSpec& font, std::int32_t height) {
    FT_Face ftFace = nullptr;
    if (FT_New_Face(library_, file.path.c_str(), file.index, &ftFace) != 0) return nullptr;
    if (!FT_IS_SCALABLE(ftFace) || (FT_Select_Charmap(ftFace, FT_ENCODING_UNICODE) != 0 &&
                                    FT_Select_Charmap(ftFace, FT_ENCODING_MS_SYMBOL) != 0)) {
      FT_Done_Face(ftFace);
      return nullptr;
    }
    auto face = std::make_unique<Face>(ftFace, font.bold, font.italic, height);
    if (!face->Usable()) return nullptr;
    return face;
  }

  std::mutex mutex_;
  FT_Library library_ = nullptr;
  bool fontconfig_ = false;
  std::map<Key, std::unique_ptr<Face>> faces_;
};

}  // namespace

std::unique_ptr<TextRenderer> CreateNativeTextRenderer() { return std::make_unique<FreeTypeTextRenderer>(); }

}  // namespace kestro::platform
