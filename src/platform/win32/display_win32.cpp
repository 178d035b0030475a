#include <windows.h>

#include <cstring>

#include "platform/api/metafile.h"
#include "platform/native.h"

namespace kestro::platform {

int NativeDisplayBitsPerPixel() {
  HDC dc = GetDC(nullptr);
  if (dc == nullptr) return 24;
  const int bits = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
  ReleaseDC(nullptr, dc);
  return bits > 0 ? bits : 24;
}

namespace {

struct ScreenMetrics {
  int dpiX = 96;
  int dpiY = 96;
};

ScreenMetrics ReadScreenMetrics() {
  ScreenMetrics m;
  HDC dc = GetDC(nullptr);
  if (dc != nullptr) {
    if (GetDeviceCaps(dc, LOGPIXELSX) > 0) m.dpiX = GetDeviceCaps(dc, LOGPIXELSX);
    if (GetDeviceCaps(dc, LOGPIXELSY) > 0) m.dpiY = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
  }
  return m;
}

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

class Win32Metafile final : public Metafile {
 public:
  Win32Metafile(HENHMETAFILE handle, int width, int height) : handle_(handle), width_(width), height_(height) {}
  ~Win32Metafile() override { DeleteEnhMetaFile(handle_); }
  Win32Metafile(const Win32Metafile&) = delete;
  Win32Metafile& operator=(const Win32Metafile&) = delete;

  int Width() const override { return width_; }
  int Height() const override { return height_; }

  bool Render(std::uint8_t* pixels, int width, int height, std::size_t stride) const override {
    if (width <= 0 || height <= 0) return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc == nullptr) return false;
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dib == nullptr || bits == nullptr) {
      if (dib != nullptr) DeleteObject(dib);
      DeleteDC(dc);
      return false;
    }
    const std::size_t dibStride = (static_cast<std::size_t>(width) * 3 + 3) & ~static_cast<std::size_t>(3);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    auto* dibBytes = static_cast<std::uint8_t*>(bits);
    for (int y = 0; y < height; ++y) std::memcpy(dibBytes + dibStride * y, pixels + stride * y, rowBytes);
    HGDIOBJ old = SelectObject(dc, dib);
    RECT rect = {0, 0, width_, height_};
    const bool played = PlayEnhMetaFile(dc, handle_, &rect) != FALSE;
    GdiFlush();
    SelectObject(dc, old);
    if (played) {
      for (int y = 0; y < height; ++y) std::memcpy(pixels + stride * y, dibBytes + dibStride * y, rowBytes);
    }
    DeleteObject(dib);
    DeleteDC(dc);
    return played;
  }

 private:
  HENHMETAFILE handle_;
  int width_;
  int height_;
};

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableHeaderSize = 22;
constexpr std::uint32_t kEmfSignature = 0x464D4520;  // " EMF"

std::unique_ptr<Metafile> FromEnhanced(HENHMETAFILE handle, int width, int height) {
  if (handle == nullptr) return nullptr;
  if (width <= 0 || height <= 0) {
    DeleteEnhMetaFile(handle);
    return nullptr;
  }
  return std::make_unique<Win32Metafile>(handle, width, height);
}

}  // namespace

bool MetafilesSupported() { return true; }

std::unique_ptr<Metafile> LoadMetafile(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr || size < 18 || size > 0x7FFFFFFF) return nullptr;
  const ScreenMetrics screen = ReadScreenMetrics();

  // Enhanced metafile: an EMR_HEADER record first.
  if (size >= 88 && Le32(data) == EMR_HEADER && Le32(data + 40) == kEmfSignature) {
    HENHMETAFILE handle = SetEnhMetaFileBits(static_cast<UINT>(size), data);
    if (handle == nullptr) return nullptr;
    ENHMETAHEADER header = {};
    if (GetEnhMetaFileHeader(handle, sizeof(header), &header) == 0) {
      DeleteEnhMetaFile(handle);
      return nullptr;
    }
    // The frame is in hundredths of a millimetre.
    const long long fw = static_cast<long long>(header.rclFrame.right) - header.rclFrame.left;
    const long long fh = static_cast<long long>(header.rclFrame.bottom) - header.rclFrame.top;
    const long long w = (fw * screen.dpiX + 1270) / 2540;
    const long long h = (fh * screen.dpiY + 1270) / 2540;
    if (w <= 0 || h <= 0 || w > 0x7FFFFFF || h > 0x7FFFFFF) {
      DeleteEnhMetaFile(handle);
      return nullptr;
    }
    return FromEnhanced(handle, static_cast<int>(w), static_cast<int>(h));
  }

  // Old-style metafile with the placeable header: bounding box in units of
  // 1/inch inch.
  if (Le32(data) == kPlaceableKey) {
    if (size < kPlaceableHeaderSize + 18) return nullptr;
    const auto left = static_cast<std::int16_t>(Le16(data + 6));
    const auto top = static_cast<std::int16_t>(Le16(data + 8));
    const auto right = static_cast<std::int16_t>(Le16(data + 10));
    const auto bottom = static_cast<std::int16_t>(Le16(data + 12));
    const int inch = Le16(data + 14);
    const int bw = right - left;
    const int bh = bottom - top;
    if (inch == 0 || bw <= 0 || bh <= 0) return nullptr;
    METAFILEPICT pict = {};
    pict.mm = MM_ANISOTROPIC;
    pict.xExt = MulDiv(bw, 2540, inch);
    pict.yExt = MulDiv(bh, 2540, inch);
    HENHMETAFILE handle = SetWinMetaFileBits(static_cast<UINT>(size - kPlaceableHeaderSize),
                                             data + kPlaceableHeaderSize, nullptr, &pict);
    return FromEnhanced(handle, MulDiv(bw, screen.dpiX, inch), MulDiv(bh, screen.dpiY, inch));
  }

  // Old-style metafile without it: the size comes from the converted frame.
  const std::uint16_t type = Le16(data);
  if ((type == 1 || type == 2) && Le16(data + 2) == 9) {
    HENHMETAFILE handle = SetWinMetaFileBits(static_cast<UINT>(size), data, nullptr, nullptr);
    if (handle == nullptr) return nullptr;
    ENHMETAHEADER header = {};
    if (GetEnhMetaFileHeader(handle, sizeof(header), &header) == 0) {
      DeleteEnhMetaFile(handle);
      return nullptr;
    }
    const long long w = static_cast<long long>(header.rclBounds.right) - header.rclBounds.left + 1;
    const long long h = static_cast<long long>(header.rclBounds.bottom) - header.rclBounds.top + 1;
    if (w <= 0 || h <= 0 || w > 0x7FFFFFF || h > 0x7FFFFFF) {
      DeleteEnhMetaFile(handle);
      return nullptr;
    }
    return FromEnhanced(handle, static_cast<int>(w), static_cast<int>(h));
  }
  return nullptr;
}

}  // namespace kestro::platform
