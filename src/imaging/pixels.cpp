#include "imaging/pixels.h"

#include <algorithm>
#include <cstring>

#include "imaging/errors.h"

namespace kestro {

EJPEG::EJPEG(int code) : EInvalidGraphic("JPEG error #" + std::to_string(code)), code_(code) {}

namespace imaging {

namespace {
PictureLimits limits;
}  // namespace

PictureLimits CurrentPictureLimits() { return limits; }

void SetPictureLimits(PictureLimits l) { limits = l; }

void CheckPictureSize(long long width, long long height) {
  if (width <= 0 || height <= 0 || width > limits.maxSide || height > limits.maxSide ||
      width * height > limits.maxPixels) {
    throw EInvalidGraphic("Picture size " + std::to_string(width) + " x " + std::to_string(height) +
                          " is not supported");
  }
}

void CopyOnto(const Bitmap24& source, Bitmap24& target) {
  const int w = std::min(source.Width(), target.Width());
  const int h = std::min(source.Height(), target.Height());
  if (w <= 0 || h <= 0) return;
  for (int y = 0; y < h; ++y) {
    std::memcpy(target.ScanLine(y), source.ScanLine(y), static_cast<std::size_t>(w) * 3);
  }
}

void BlendOnto(const Bitmap24& source, const std::vector<std::uint8_t>& alpha, Bitmap24& target) {
  const int w = std::min(source.Width(), target.Width());
  const int h = std::min(source.Height(), target.Height());
  const std::size_t sw = static_cast<std::size_t>(source.Width());
  if (w <= 0 || h <= 0) return;
  if (alpha.size() < sw * static_cast<std::size_t>(source.Height())) {
    CopyOnto(source, target);
    return;
  }
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* s = source.ScanLine(y);
    std::uint8_t* d = target.ScanLine(y);
    const std::uint8_t* a = alpha.data() + sw * static_cast<std::size_t>(y);
    for (int x = 0; x < w; ++x, s += 3, d += 3) {
      const unsigned k = a[x];
      if (k == 255) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
      } else if (k != 0) {
        for (int c = 0; c < 3; ++c) d[c] = static_cast<std::uint8_t>((s[c] * k + d[c] * (255 - k) + 127) / 255);
      }
    }
  }
}

void DropOpaqueAlpha(DecodedImage& image) {
  if (std::all_of(image.alpha.begin(), image.alpha.end(), [](std::uint8_t a) { return a == 255; })) {
    image.alpha.clear();
    image.alpha.shrink_to_fit();
  }
}

}  // namespace imaging
}  // namespace kestro
