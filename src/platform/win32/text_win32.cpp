// Caption text on Windows: GDI with the named font, drawn into a 24-bit DIB
// section that holds a copy of the target's pixels around the text.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "common/arith.h"
#include "platform/native.h"

namespace kestro::platform {

namespace {

class ScreenDC {
 public:
  ScreenDC() : dc_(GetDC(nullptr)) {}
  ~ScreenDC() {
    if (dc_ != nullptr) ReleaseDC(nullptr, dc_);
  }
  ScreenDC(const ScreenDC&) = delete;
  ScreenDC& operator=(const ScreenDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HDC dc_;
};

class MemoryDC {
 public:
  explicit MemoryDC(HDC compatible) : dc_(CreateCompatibleDC(compatible)) {}
  ~MemoryDC() {
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HDC dc_;
};

// A font or bitmap made here and deleted here.
class OwnedObject {
 public:
  explicit OwnedObject(HGDIOBJ object) : object_(object) {}
  ~OwnedObject() {
    if (object_ != nullptr) DeleteObject(object_);
  }
  OwnedObject(const OwnedObject&) = delete;
  OwnedObject& operator=(const OwnedObject&) = delete;
  HGDIOBJ Get() const { return object_; }

 private:
  HGDIOBJ object_;
};

// Selects an object into a DC for the lifetime of this value.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~Selection() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  bool Ok() const { return previous_ != nullptr && previous_ != HGDI_ERROR; }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

LOGFONTA MakeLogFont(const FontSpec& font, HDC screen) {
  LOGFONTA lf{};
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  lf.lfHeight = -kestro::MulDiv(font.size, dpi > 0 ? dpi : 96, 72);
  lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = font.italic ? TRUE : FALSE;
  lf.lfUnderline = font.underline ? TRUE : FALSE;
  lf.lfStrikeOut = font.strikeout ? TRUE : FALSE;
  lf.lfCharSet = ANSI_CHARSET;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  const std::size_t n = std::min<std::size_t>(font.name.size(), LF_FACESIZE - 1);
  std::memcpy(lf.lfFaceName, font.name.data(), n);
  return lf;
}

int TextLength(std::string_view text) { return static_cast<int>(std::min<std::size_t>(text.size(), INT_MAX)); }

// Width and line height of the text in the font selected into the DC.
bool Extent(HDC dc, std::string_view text, SIZE& size) {
  if (text.empty()) {
    TEXTMETRICA tm{};
    if (!GetTextMetricsA(dc, &tm)) return false;
    size = {0, tm.tmHeight};
    return true;
  }
  return GetTextExtentPoint32A(dc, text.data(), TextLength(text), &size) != 0;
}

class GdiTextRenderer final : public TextRenderer {
 public:
  TPoint Measure(const FontSpec& font, std::string_view text) override {
    ScreenDC screen;
    MemoryDC dc(screen.Get());
    if (dc.Get() == nullptr) return {};
    const LOGFONTA lf = MakeLogFont(font, screen.Get());
    OwnedObject made(CreateFontIndirectA(&lf));
    // A font that cannot be made is measured as the default GUI font.
    Selection selected(dc.Get(), made.Get() != nullptr ? made.Get() : GetStockObject(DEFAULT_GUI_FONT));
    SIZE size{};
    if (!selected.Ok() || !Extent(dc.Get(), text, size)) return {};
    return {size.cx, size.cy};
  }

  void Draw(const Pixels& target, std::int32_t x, std::int32_t y, const FontSpec& font,
            std::string_view text) override {
    if (text.empty() || target.data == nullptr || target.width <= 0 || target.height <= 0) return;
    const std::int64_t rowBytes = static_cast<std::int64_t>(target.width) * 3;
    if (target.stride < rowBytes && -target.stride < rowBytes) return;

    ScreenDC screen;
    MemoryDC dc(screen.Get());
    if (dc.Get() == nullptr) return;
    const LOGFONTA lf = MakeLogFont(font, screen.Get());
    OwnedObject made(CreateFontIndirectA(&lf));
    if (made.Get() == nullptr) return;
    Selection fontSelected(dc.Get(), made.Get());
    SIZE size{};
    if (!fontSelected.Ok() || !Extent(dc.Get(), text, size)) return;

    // The area the text can touch: its box, widened by a line height on
    // every side for overhangs (italics, accents), within the target.
    const std::int64_t pad = std::max<std::int64_t>(size.cy, 1);
    const std::int64_t left = std::max<std::int64_t>(static_cast<std::int64_t>(x) - pad, 0);
    const std::int64_t top = std::max<std::int64_t>(static_cast<std::int64_t>(y) - pad, 0);
    const std::int64_t right = std::min<std::int64_t>(static_cast<std::int64_t>(x) + size.cx + pad, target.width);
    const std::int64_t bottom = std::min<std::int64_t>(static_cast<std::int64_t>(y) + size.cy + pad, target.height);
    if (right <= left || bottom <= top) return;
    const int width = static_cast<int>(right - left);
    const int height = static_cast<int>(bottom - top);

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    OwnedObject dib(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (dib.Get() == nullptr || bits == nullptr) return;
    Selection dibSelected(dc.Get(), dib.Get());
    if (!dibSelected.Ok()) return;

    auto* pixels = static_cast<std::uint8_t*>(bits);
    const std::ptrdiff_t dibStride = (static_cast<std::ptrdiff_t>(width) * 3 + 3) & ~std::ptrdiff_t{3};
    const std::size_t span = static_cast<std::size_t>(width) * 3;
    auto targetRow = [&](int row) { return target.data + (top + row) * target.stride + left * 3; };

    GdiFlush();
    for (int row = 0; row < height; ++row) std::memcpy(pixels + row * dibStride, targetRow(row), span);
    SetBkMode(dc.Get(), TRANSPARENT);
    SetTextColor(dc.Get(), font.color & 0xFFFFFF);
    SetTextAlign(dc.Get(), TA_LEFT | TA_TOP | TA_NOUPDATECP);
    const BOOL drawn = TextOutA(dc.Get(), static_cast<int>(x - left), static_cast<int>(y - top), text.data(),
                                TextLength(text));
    GdiFlush();
    if (!drawn) return;
    for (int row = 0; row < height; ++row) std::memcpy(targetRow(row), pixels + row * dibStride, span);
  }
};

}  // namespace

std::unique_ptr<TextRenderer> CreateNativeTextRenderer() { return std::make_unique<GdiTextRenderer>(); }

}  // namespace kestro::platform
