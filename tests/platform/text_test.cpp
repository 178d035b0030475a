#include "platform/api/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "support/canvas.h"

namespace kestro::platform {
namespace {

constexpr char kSample[] = "Sample caption";

using kestro::testing::Canvas;

FontSpec Font(const std::string& name = "DejaVu Sans", int size = 9) {
  FontSpec f;
  f.name = name;
  f.size = size;
  return f;
}

// The text drawn white on black with a 4-pixel margin, as bytes.
std::vector<std::uint8_t> Rendered(const FontSpec& f, const char* text) {
  const TPoint m = Text().Measure(f, text);
  Canvas c(m.X + 8, m.Y + 8);
  Text().Draw(c.View(), 4, 4, f, text);
  return std::vector<std::uint8_t>(c.bytes.begin(), c.bytes.end());
}

// Which pixels a draw at (x, y) changes must lie inside the measured box,
// widened by `overhang` left and right.
void ExpectInkInsideBox(const FontSpec& f, const char* text, int overhang) {
  SCOPED_TRACE(f.name + " " + std::to_string(f.size) + (f.bold ? " bold" : "") + (f.italic ? " italic" : "") +
               (f.underline ? " underline" : "") + (f.strikeout ? " strikeout" : ""));
  const TPoint m = Text().Measure(f, text);
  Canvas c(m.X + 80, m.Y + 40);
  Text().Draw(c.View(), 40, 20, f, text);
  const TRect ink = c.Ink();
  ASSERT_FALSE(ink.IsEmpty());
  EXPECT_GE(ink.Left, 40 - overhang);
  EXPECT_LE(ink.Right, 40 + m.X + overhang);
  EXPECT_GE(ink.Top, 20);
  EXPECT_LE(ink.Bottom, 20 + m.Y);
  EXPECT_TRUE(c.GuardsIntact());
}

TEST(TextMeasure, GrowsWithTextAndSizeAndBold) {
  const FontSpec small = Font();
  const TPoint one = Text().Measure(small, "Sample");
  const TPoint two = Text().Measure(small, kSample);
  EXPECT_GT(one.X, 0);
  EXPECT_GT(two.X, one.X);
  EXPECT_EQ(two.Y, one.Y);
  // 9 pt is a 12-pixel em at 96 dpi; a line is its ascent plus descent.
  EXPECT_GE(two.Y, 12);
  EXPECT_LE(two.Y, 18);

  const TPoint large = Text().Measure(Font("DejaVu Sans", 24), kSample);
  EXPECT_GT(large.X, two.X * 2);
  EXPECT_GT(large.Y, two.Y * 2);

  for (const int size : {9, 24}) {
    FontSpec bold = Font("DejaVu Sans", size);
    bold.bold = true;
    EXPECT_GE(Text().Measure(bold, kSample).X, Text().Measure(Font("DejaVu Sans", size), kSample).X);
  }
}

// What GDI (under wine, whose font engine follows Windows' metrics) measures
// for the fallback family; the Linux build must place captions alike.
TEST(TextMeasure, MatchesGdiMetricsOfTheSameFont) {
  struct Case {
    const char* name;
    int size;
    bool bold;
    const char* text;
    TPoint gdi;
  };
  const Case cases[] = {
      {"DejaVu Sans", 9, false, kSample, {94, 14}},
      {"DejaVu Sans", 9, true, kSample, {106, 14}},
      {"DejaVu Sans", 24, false, kSample, {250, 38}},
      {"DejaVu Sans", 24, true, kSample, {280, 38}},
      {"DejaVu Sans", 9, false, "\xE9\x80\xA9", {27, 14}},
      {"DejaVu Sans", 24, true, "\xE9\x80\xA9", {76, 38}},
      {"DejaVu Sans", 0, false, kSample, {111, 16}},   // height 0: GDI's default cell of 16
      {"DejaVu Sans", -9, false, kSample, {77, 11}},   // a cell of 12 pixels: the em that fits
      // A family without a bold face: synthetic bold is one pixel wider per letter.
      {"DejaVu Sans Light", 9, true, kSample, {108, 14}},
      {"DejaVu Sans Light", 48, false, kSample, {498, 74}},
      {"DejaVu Sans Light", 48, true, kSample, {512, 74}},
  };
  for (const Case& c : cases) {
    FontSpec f = Font(c.name, c.size);
    f.bold = c.bold;
    EXPECT_EQ(Text().Measure(f, c.text), c.gdi) << c.name << " " << c.size << (c.bold ? " bold" : "");
  }
}

TEST(TextMeasure, EmptyTextIsALineHighAndNothingWide) {
  const TPoint line = Text().Measure(Font(), kSample);
  EXPECT_EQ(Text().Measure(Font(), ""), (TPoint{0, line.Y}));
}

TEST(TextMeasure, OddSizesGiveSaneResults) {
  // Sizes beyond any screen are capped; an overflowing one becomes a 1-pixel cell.
  const TPoint huge = Text().Measure(Font("DejaVu Sans", 100000), "Ab");
  EXPECT_GT(huge.Y, 1000);
  EXPECT_LT(huge.Y, 5000);
  EXPECT_GT(Text().Measure(Font("DejaVu Sans", INT_MAX), "Ab").Y, 0);
}

TEST(TextFallback, MissingFontsUseDejaVuSans) {
  for (const char* name : {"MS Sans Serif", "No Such Font Kestro", ""}) {
    SCOPED_TRACE(name);
    for (const bool bold : {false, true}) {
      FontSpec missing = Font(name, 24);
      FontSpec dejavu = Font("DejaVu Sans", 24);
      missing.bold = dejavu.bold = bold;
      EXPECT_EQ(Text().Measure(missing, kSample), Text().Measure(dejavu, kSample));
      EXPECT_EQ(Rendered(missing, kSample), Rendered(dejavu, kSample));
    }
  }
  // A font name is matched without regard to case.
  EXPECT_EQ(Rendered(Font("dejavu serif"), kSample), Rendered(Font("DejaVu Serif"), kSample));
  EXPECT_NE(Rendered(Font("DejaVu Serif"), kSample), Rendered(Font("DejaVu Sans"), kSample));
}

TEST(TextDraw, ChangesOnlyPixelsInsideTheMeasuredBox) {
  for (const int size : {9, 24}) {
    FontSpec f = Font("MS Sans Serif", size);  // not on Linux: drawn in the fallback
    ExpectInkInsideBox(f, kSample, 0);
    f.bold = true;
    ExpectInkInsideBox(f, kSample, 0);
    f.underline = f.strikeout = true;
    ExpectInkInsideBox(f, kSample, 0);
    f.bold = f.underline = f.strikeout = false;
    f.italic = true;
    ExpectInkInsideBox(f, kSample, Text().Measure(f, kSample).Y / 2);
  }
}

TEST(TextDraw, BlendsTheColourOverTheBackground) {
  FontSpec f = Font("DejaVu Sans", 24);
  f.color = 0x000000FF;  // red, as 0x00BBGGRR
  const TPoint m = Text().Measure(f, "M");
  Canvas c(m.X + 4, m.Y + 4, 0x80);
  Text().Draw(c.View(), 2, 2, f, "M");
  int solid = 0, partial = 0;
  for (int y = 0; y < c.height; ++y) {
    for (int x = 0; x < c.width; ++x) {
      const std::uint8_t* p = c.Pixel(x, y);
      EXPECT_EQ(p[0], p[1]);  // blue and green fade alike, from grey towards 0
      EXPECT_LE(p[0], 0x80);
      EXPECT_GE(p[2], 0x80);  // red grows towards 255
      if (p[0] == 0 && p[2] == 0xFF) ++solid;
      if (p[0] > 0 && p[0] < 0x80) ++partial;
    }
  }
  EXPECT_GT(solid, 20);    // the stems are fully covered
  EXPECT_GT(partial, 0);   // edges are anti-aliased
}

TEST(TextDraw, UnderlineAndStrikeoutCrossTheWholeText) {
  FontSpec f = Font("DejaVu Sans", 24);
  const TPoint m = Text().Measure(f, kSample);
  auto fullRows = [&](bool underline, bool strikeout) {
    f.underline = underline;
    f.strikeout = strikeout;
    Canvas c(m.X, m.Y);
    Text().Draw(c.View(), 0, 0, f, kSample);
    std::vector<int> rows;
    for (int y = 0; y < m.Y; ++y) {
      bool full = true;
      for (int x = 0; x < m.X && full; ++x) full = c.Pixel(x, y)[0] == 0xFF;
      if (full) rows.push_back(y);
    }
    return rows;
  };
  EXPECT_TRUE(fullRows(false, false).empty());
  const std::vector<int> under = fullRows(true, false);
  const std::vector<int> strike = fullRows(false, true);
  ASSERT_FALSE(under.empty());
  ASSERT_FALSE(strike.empty());
  EXPECT_GT(under.front(), m.Y * 3 / 4);  // below the baseline
  EXPECT_GT(strike.front(), m.Y / 4);     // through the lower-case letters
  EXPECT_LT(strike.back(), m.Y * 3 / 4);
  EXPECT_EQ(fullRows(true, true).size(), under.size() + strike.size());
}

TEST(TextDraw, ClipsAtEveryEdgeAsAnUnclippedDrawWould) {
  for (const bool italic : {false, true}) {
    FontSpec f = Font("MS Sans Serif", 24);
    f.italic = italic;
    f.underline = true;
    const TPoint m = Text().Measure(f, kSample);
    const int w = m.X / 2 + 3, h = m.Y / 2 + 1;
    const int margin = m.X + m.Y + 10;
    const int offsets[][2] = {{-m.X / 2, 0},  {w - m.X / 2, 0},      {0, -m.Y / 2}, {0, h - m.Y / 2},
                              {-m.X / 2, -m.Y / 2}, {w + 1, 0}, {-m.X - m.Y, 0}, {0, h + 1}, {0, -2 * m.Y}};
    for (const auto& o : offsets) {
      SCOPED_TRACE(std::to_string(o[0]) + ", " + std::to_string(o[1]));
      Canvas small(w, h);
      Canvas large(w + 2 * margin, h + 2 * margin);
      Text().Draw(small.View(), o[0], o[1], f, kSample);
      Text().Draw(large.View(), o[0] + margin, o[1] + margin, f, kSample);
      for (int y = 0; y < h; ++y) {
        ASSERT_EQ(std::memcmp(small.Row(y), large.Row(y + margin) + margin * 3, static_cast<std::size_t>(w) * 3), 0)
            << "row " << y;
      }
      EXPECT_TRUE(small.GuardsIntact());
    }
  }
}

TEST(TextDraw, FarOutsideOrOnUnusablePixelsDrawsNothing) {
  const FontSpec f = Font();
  Canvas c(20, 10);
  const int far[][2] = {{INT_MIN, 0}, {INT_MAX, 0}, {0, INT_MIN}, {0, INT_MAX}, {INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}};
  for (const auto& at : far) Text().Draw(c.View(), at[0], at[1], f, kSample);
  EXPECT_TRUE(c.Ink().IsEmpty());
  EXPECT_TRUE(c.GuardsIntact());

  Pixels bad = c.View();
  bad.stride = 3;  // rows overlapping each other
  Text().Draw(bad, 0, 0, f, kSample);
  Text().Draw({nullptr, 20, 10, 60}, 0, 0, f, kSample);
  Text().Draw({c.View().data, 0, 10, 60}, 0, 0, f, kSample);
  Text().Draw({c.View().data, 20, -1, 60}, 0, 0, f, kSample);
  EXPECT_TRUE(c.Ink().IsEmpty());
  EXPECT_TRUE(c.GuardsIntact());
}

TEST(TextDraw, EmptyTextDrawsNothing) {
  FontSpec f = Font();
  f.underline = f.strikeout = true;
  Canvas c(30, 30);
  Text().Draw(c.View(), 2, 2, f, "");
  EXPECT_TRUE(c.Ink().IsEmpty());
}

TEST(TextDraw, Cp1252LettersAreGlyphsOfTheirOwn) {
  // 0x81 is unassigned in code page 1252: the font's missing-glyph box.
  const FontSpec f = Font("MS Sans Serif", 24);
  const auto missing = Rendered(f, "\x81");
  const auto blank = Rendered(f, " ");
  std::vector<std::vector<std::uint8_t>> seen{missing, blank};
  for (const char* letter : {"\xE9", "\x80", "\xA9", "\x9C", "\x99", "e", "E"}) {
    SCOPED_TRACE(static_cast<int>(static_cast<unsigned char>(letter[0])));
    const auto drawn = Rendered(f, letter);
    for (const auto& other : seen) EXPECT_NE(drawn, other);
    seen.push_back(drawn);
  }
  // The cp1252 text measures as the Unicode letters' glyphs would: é is as
  // wide as e in this font, € is a glyph with a width.
  EXPECT_EQ(Text().Measure(f, "\xE9").X, Text().Measure(f, "e").X);
  EXPECT_GT(Text().Measure(f, "\x80").X, 0);
}

class FixedText final : public TextRenderer {
 public:
  TPoint Measure(const FontSpec&, std::string_view text) override { return {static_cast<int>(text.size()), 7}; }
  void Draw(const Pixels&, std::int32_t, std::int32_t, const FontSpec&, std::string_view) override {}
};

TEST(TextService, AnInstalledRendererReplacesTheNativeOneUntilRemoved) {
  FixedText fixed;
  const TPoint native = Text().Measure(Font(), "abc");
  InstallTextRenderer(&fixed);
  EXPECT_EQ(Text().Measure(Font(), "abc"), (TPoint{3, 7}));
  InstallTextRenderer(nullptr);
  EXPECT_EQ(Text().Measure(Font(), "abc"), native);
}

}  // namespace
}  // namespace kestro::platform
