// What the GDI comparison programs share: a seeded random generator of their
// own (so that runs repeat exactly), 24-bit top-down DIB sections that load
// and save Bitmap24 pixels, random bitmaps and printf-style formatting.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "raster/bitmap24.h"

namespace kestro::gdi_test {

// SplitMix64. `stream` keeps the programs' sequences apart for equal seeds.
struct Rng {
  std::uint64_t s;
  Rng(std::uint64_t seed, std::uint64_t stream) : s(seed * 0x9E3779B97F4A7C15ull + stream) {}
  std::uint64_t Next() {
    s += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = s;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [lo, hi].
  int In(int lo, int hi) { return lo + static_cast<int>(Next() % static_cast<std::uint64_t>(hi - lo + 1)); }
  bool Chance(int percent) { return In(0, 99) < percent; }
};

// A 24-bit top-down DIB section selected into its own memory DC, stretch
// mode COLORONCOLOR. Exits with status 2 when GDI cannot make it.
class Dib {
 public:
  Dib(int w, int h) : w_(w), h_(h) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    bmp_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bmp_ == nullptr || bits == nullptr) {
      std::fprintf(stderr, "CreateDIBSection %dx%d failed\n", w, h);
      std::exit(2);
    }
    bits_ = static_cast<std::uint8_t*>(bits);
    old_ = SelectObject(dc_, bmp_);
    SetStretchBltMode(dc_, COLORONCOLOR);
  }
  ~Dib() {
    SelectObject(dc_, old_);
    DeleteObject(bmp_);
    DeleteDC(dc_);
  }
  Dib(const Dib&) = delete;
  Dib& operator=(const Dib&) = delete;

  HDC dc() const { return dc_; }
  // The DIB's rows have the same layout as Bitmap24's, so they copy whole.
  void Load(const Bitmap24& b) {
    GdiFlush();
    std::memcpy(bits_, b.Bits(), b.ByteSize());
  }
  Bitmap24 Save() const {
    GdiFlush();
    Bitmap24 b(w_, h_);
    std::memcpy(b.Bits(), bits_, b.ByteSize());
    return b;
  }

 private:
  int w_, h_;
  HDC dc_ = nullptr;
  HBITMAP bmp_ = nullptr;
  HGDIOBJ old_ = nullptr;
  std::uint8_t* bits_ = nullptr;
};

inline Bitmap24 RandomBitmap(Rng& rng, int w, int h) {
  Bitmap24 b(w, h);
  for (int y = 0; y < h; ++y) {
    std::uint8_t* p = b.ScanLine(y);
    for (int i = 0; i < w * 3; ++i) p[i] = static_cast<std::uint8_t>(rng.Next());
  }
  return b;
}

// printf into a std::string (up to 511 characters).
inline std::string Fmt(const char* f, ...) {
  char buf[512];
  va_list ap;
  va_start(ap, f);
  std::vsnprintf(buf, sizeof buf, f, ap);
  va_end(ap);
  return buf;
}

}  // namespace kestro::gdi_test
