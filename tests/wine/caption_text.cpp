// Measures and draws captions through the Windows text service and checks
// them against GDI's own answers: sizes grow with the text and the font,
// bold is at least as wide, drawing changes pixels only inside the measured
// box (plus an italic overhang), clipping at every edge is safe, code page
// 1252 letters are glyphs. Prints the metrics; exit status 0 when all held.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/api/text.h"
#include "support/canvas.h"

using namespace kestro;
using namespace kestro::platform;

namespace {

int failures = 0;

void Check(bool ok, const std::string& what) {
  if (!ok) {
    std::printf("FAIL: %s\n", what.c_str());
    ++failures;
  }
}

using kestro::testing::Canvas;

std::string Describe(const FontSpec& f) {
  return f.name + " " + std::to_string(f.size) + (f.bold ? " bold" : "") + (f.italic ? " italic" : "");
}

// What GDI says directly: the face it picked and its text extent.
void Report(const FontSpec& f, const char* text) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HFONT font = CreateFontA(-MulDiv(f.size, GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0,
                           f.bold ? FW_BOLD : FW_NORMAL, f.italic, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, f.name.c_str());
  HGDIOBJ old = SelectObject(dc, font);
  char face[LF_FACESIZE] = {};
  GetTextFaceA(dc, LF_FACESIZE, face);
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  SIZE size{};
  GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size);
  const TPoint ours = Text().Measure(f, text);
  std::printf("%-22s -> %-16s %3ld x %2ld (ascent %ld, descent %ld, overhang %ld)\n", Describe(f).c_str(), face,
              size.cx, size.cy, tm.tmAscent, tm.tmDescent, tm.tmOverhang);
  Check(ours.X == size.cx && ours.Y == size.cy, Describe(f) + ": measure equals GDI's extent");
  Check(ours.Y == tm.tmHeight, Describe(f) + ": line height is the font's height");
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
}

// Draws white text on black and checks that only the measured box (widened
// by `overhang` on each side) changed, and that something did.
void CheckDrawInsideBox(const FontSpec& f, const char* text, int overhang) {
  const TPoint m = Text().Measure(f, text);
  Canvas c(m.X + 80, m.Y + 40);
  const int x = 40, y = 20;
  Text().Draw(c.View(), x, y, f, text);
  int inside = 0, outside = 0;
  for (int py = 0; py < c.height; ++py) {
    for (int px = 0; px < c.width; ++px) {
      if (!c.Changed(px, py)) continue;
      const bool in = px >= x - overhang && px < x + m.X + overhang && py >= y && py < y + m.Y;
      (in ? inside : outside)++;
    }
  }
  Check(inside > 0, Describe(f) + ": drawing changes pixels");
  Check(outside == 0, Describe(f) + ": " + std::to_string(outside) + " pixels changed outside the box");
  Check(c.GuardsIntact(), Describe(f) + ": nothing written outside the pixels");
}

// Draws partly and wholly outside a small canvas; what lands inside must be
// what an unclipped draw on a large canvas gives there.
void CheckClipping(const FontSpec& f) {
  const char* text = "Sample caption";
  const TPoint m = Text().Measure(f, text);
  const int w = m.X / 2 + 3, h = m.Y / 2 + 1;
  const int margin = m.X + m.Y + 10;
  const int offsets[][2] = {{-m.X / 2, 0}, {w - m.X / 2, 0}, {0, -m.Y / 2}, {0, h - m.Y / 2},
                            {-m.X / 2, -m.Y / 2}, {w + 1, 0}, {-m.X - m.Y - 5, 0}, {0, h + 1},
                            {0, -2 * m.Y}};
  for (const auto& o : offsets) {
    Canvas small(w, h);
    Canvas large(w + 2 * margin, h + 2 * margin);
    Text().Draw(small.View(), o[0], o[1], f, text);
    Text().Draw(large.View(), o[0] + margin, o[1] + margin, f, text);
    bool same = true;
    for (int y = 0; y < h; ++y) {
      same = same && std::memcmp(small.Row(y), large.Row(y + margin) + margin * 3, static_cast<std::size_t>(w) * 3) == 0;
    }
    Check(same && small.GuardsIntact(),
          Describe(f) + ": clipped at (" + std::to_string(o[0]) + ", " + std::to_string(o[1]) + ")");
  }
  Canvas c(20, 10);
  for (const auto& at : {std::pair{INT_MIN, 0}, std::pair{INT_MAX, 0}, std::pair{0, INT_MIN}, std::pair{0, INT_MAX}}) {
    Text().Draw(c.View(), at.first, at.second, f, text);
  }
  bool untouched = c.GuardsIntact();
  for (int y = 0; y < c.height; ++y) {
    for (int x = 0; x < c.width; ++x) untouched = untouched && !c.Changed(x, y);
  }
  Check(untouched, Describe(f) + ": far outside draws nothing");
}

std::vector<std::uint8_t> Rendered(const FontSpec& f, const char* text) {
  const TPoint m = Text().Measure(f, text);
  Canvas c(m.X + 8, m.Y + 8);
  Text().Draw(c.View(), 4, 4, f, text);
  std::vector<std::uint8_t> out;
  for (int y = 0; y < c.height; ++y) out.insert(out.end(), c.Row(y), c.Row(y) + c.width * 3);
  return out;
}

bool AnyInk(const std::vector<std::uint8_t>& pixels) {
  for (const std::uint8_t v : pixels) {
    if (v != 0) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  // Wine's own Windows fonts, when their folder is given: this process only.
  if (argc > 1) {
    for (const char* file : {"sserife.fon", "tahoma.ttf", "tahomabd.ttf"}) {
      const std::string path = std::string(argv[1]) + "\\" + file;
      const int added = AddFontResourceExA(path.c_str(), FR_PRIVATE, nullptr);
      std::printf("font file %s: %s\n", file, added > 0 ? "added" : "not available");
    }
  }
  const char* names[] = {"MS Sans Serif", "Arial", "Tahoma"};
  for (const char* name : names) {
    TPoint regular9{};
    for (const int size : {9, 24}) {
      for (const bool bold : {false, true}) {
        FontSpec f;
        f.name = name;
        f.size = size;
        f.bold = bold;
        Report(f, "Sample caption");
        const TPoint m = Text().Measure(f, "Sample caption");
        const TPoint shorter = Text().Measure(f, "Sample");
        const TPoint empty = Text().Measure(f, "");
        Check(m.X > shorter.X && shorter.X > 0 && m.Y == shorter.Y, Describe(f) + ": longer text is wider");
        Check(empty.X == 0 && empty.Y == m.Y, Describe(f) + ": empty text measures (0, line height)");
        FontSpec regular = f;
        regular.bold = false;
        Check(m.X >= Text().Measure(regular, "Sample caption").X, Describe(f) + ": bold at least as wide");
        if (size == 9 && !bold) regular9 = m;
        if (size == 24) Check(m.X > regular9.X && m.Y > regular9.Y, Describe(f) + ": 24 pt is larger than 9 pt");
        CheckDrawInsideBox(f, "Sample caption", 0);
        f.underline = true;
        f.strikeout = true;
        CheckDrawInsideBox(f, "Sample caption", 0);
        f.underline = f.strikeout = false;
        f.italic = true;
        Report(f, "Sample caption");
        CheckDrawInsideBox(f, "Sample caption", Text().Measure(f, "Sample caption").Y / 2);
      }
    }
    FontSpec f;
    f.name = name;
    CheckClipping(f);

    // Code page 1252 letters are glyphs of their own, not the missing-glyph box.
    const auto e = Rendered(f, "\xE9"), euro = Rendered(f, "\x80"), copy = Rendered(f, "\xA9");
    Check(AnyInk(e) && AnyInk(euro) && AnyInk(copy), std::string(name) + ": cp1252 letters draw");
    Check(e != euro && euro != copy && e != copy, std::string(name) + ": cp1252 letters differ");

    Canvas c(30, 30);
    Text().Draw(c.View(), 2, 2, f, "");
    bool blank = true;
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) blank = blank && !c.Changed(x, y);
    }
    Check(blank, std::string(name) + ": empty text draws nothing");
  }

  // A font that does not exist: GDI maps it to another and still draws.
  FontSpec unknown;
  unknown.name = "No Such Font Kestro";
  Report(unknown, "Sample caption");
  CheckDrawInsideBox(unknown, "Sample caption", 0);
  // Odd sizes: 0 is GDI's default height, a negative size a cell height.
  for (const char* name : {"Tahoma", "DejaVu Sans"}) {
    for (const int size : {0, -9}) {
      FontSpec odd;
      odd.name = name;
      odd.size = size;
      Report(odd, "Sample caption");
    }
  }
  // The Linux build's fallback font, as GDI measures it.
  for (const int size : {9, 24}) {
    for (const bool bold : {false, true}) {
      FontSpec dejavu;
      dejavu.name = "DejaVu Sans";
      dejavu.size = size;
      dejavu.bold = bold;
      Report(dejavu, "Sample caption");
      Report(dejavu, "\xE9\x80\xA9");
    }
  }

  std::printf("%s\n", failures == 0 ? "all caption checks passed" : "caption checks FAILED");
  return failures == 0 ? 0 : 1;
}
