// Truevision Targa: colour-mapped, true-colour and grey images, plain or
// run-length coded, 8 to 32 bits per pixel, any origin corner.

#include <algorithm>
#include <vector>

#include "imaging/byte_reader.h"
#include "imaging/decoders.h"
#include "imaging/errors.h"

namespace kestro::imaging {

namespace {

constexpr const char* kInvalidTarga = "Targa image is not valid";
constexpr std::size_t kHeaderSize = 18;

[[noreturn]] void Invalid() { throw EInvalidGraphic(kInvalidTarga); }

struct Rgba {
  std::uint8_t r, g, b, a;
};

// A stored colour of 15, 16, 24 or 32 bits (little-endian, blue first).
Rgba Colour(const std::uint8_t* p, int bits) {
  switch (bits) {
    case 15:
    case 16: {
      const unsigned v = p[0] | p[1] << 8;
      auto five = [](unsigned x) { return static_cast<std::uint8_t>(((x & 31) * 255 + 15) / 31); };
      return {five(v >> 10), five(v >> 5), five(v), static_cast<std::uint8_t>(bits == 16 && (v & 0x8000) ? 255 : 0)};
    }
    case 24: return {p[2], p[1], p[0], 255};
    default: return {p[2], p[1], p[0], p[3]};
  }
}

}  // namespace

DecodedImage DecodeTarga(ByteSpan bytes) {
  const ByteReader data(bytes);
  if (!data.Has(0, kHeaderSize)) Invalid();
  const unsigned idLength = data.U8(0);
  const unsigned mapType = data.U8(1);
  const unsigned type = data.U8(2);
  const unsigned mapFirst = data.U16LE(3);
  const unsigned mapLength = data.U16LE(5);
  const int mapBits = data.U8(7);
  const int width = data.U16LE(12);
  const int height = data.U16LE(14);
  const int depth = data.U8(16);
  const unsigned descriptor = data.U8(17);
  const int alphaBits = descriptor & 15;
  const bool rightToLeft = (descriptor & 0x10) != 0;
  const bool topDown = (descriptor & 0x20) != 0;

  const bool rle = type >= 9;
  const unsigned base = rle ? type - 8 : type;
  if (mapType > 1 || !(base == 1 || base == 2 || base == 3) || (rle && type > 11)) Invalid();
  if (base == 1 && (mapType != 1 || (depth != 8 && depth != 16))) Invalid();
  if (base == 2 && depth != 15 && depth != 16 && depth != 24 && depth != 32) Invalid();
  if (base == 3 && depth != 8) Invalid();
  if (width == 0 || height == 0) Invalid();
  CheckPictureSize(width, height);

  // Colour map, after the image id.
  std::size_t pos = kHeaderSize + idLength;
  std::vector<Rgba> map;
  if (mapType == 1) {
    if (mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32) Invalid();
    const std::size_t entry = (mapBits + 7) / 8;
    if (!data.Has(pos, entry * mapLength)) Invalid();
    if (base == 1) {
      map.reserve(mapLength);
      for (unsigned i = 0; i < mapLength; ++i) map.push_back(Colour(data.Data() + pos + i * entry, mapBits));
    }
    pos += entry * mapLength;
  }
  const int colourBits = base == 1 ? mapBits : depth;

  // Pixels in file order: stored values first, then colours.
  const std::size_t bpp = (depth + 7) / 8;
  const std::size_t count = static_cast<std::size_t>(width) * height;
  // Enough data for the pixels before anything is allocated: a plain image
  // holds every pixel, a packet of 1 + bpp bytes gives at most 128.
  if (!rle && !data.Has(pos, count * bpp)) Invalid();
  if (rle && (data.Size() - std::min(pos, data.Size())) / (1 + bpp) * 128 < count) Invalid();
  std::vector<std::uint8_t> raw(count * bpp);
  if (!rle) {
    std::copy_n(data.Data() + pos, raw.size(), raw.begin());
  } else {
    std::size_t filled = 0;
    while (filled < raw.size()) {
      if (!data.Has(pos, 1)) Invalid();
      const unsigned packet = data.U8(pos++);
      const std::size_t n = std::min<std::size_t>((packet & 0x7F) + 1, (raw.size() - filled) / bpp);
      if (packet & 0x80) {
        if (!data.Has(pos, bpp)) Invalid();
        for (std::size_t i = 0; i < n; ++i) std::copy_n(data.Data() + pos, bpp, raw.begin() + filled + i * bpp);
        pos += bpp;
      } else {
        if (!data.Has(pos, n * bpp)) Invalid();
        std::copy_n(data.Data() + pos, n * bpp, raw.begin() + filled);
        pos += n * bpp;
      }
      filled += n * bpp;
    }
  }

  // Alpha counts when the descriptor declares alpha bits and the image uses
  // them; an alpha plane of all zeros is a writer that meant none.
  const bool wantAlpha = alphaBits > 0 && (colourBits == 32 || colourBits == 16);
  DecodedImage image;
  image.pixels = Bitmap24(width, height);
  if (wantAlpha) image.alpha.resize(count);
  bool anyAlpha = false;
  for (int line = 0; line < height; ++line) {
    const int y = topDown ? line : height - 1 - line;
    std::uint8_t* d = image.pixels.ScanLine(y);
    for (int i = 0; i < width; ++i) {
      const int x = rightToLeft ? width - 1 - i : i;
      const std::uint8_t* p = raw.data() + (static_cast<std::size_t>(line) * width + i) * bpp;
      Rgba c{0, 0, 0, 255};
      if (base == 1) {
        const unsigned index = depth == 8 ? p[0] : static_cast<unsigned>(p[0] | p[1] << 8);
        if (index >= mapFirst && index - mapFirst < map.size()) c = map[index - mapFirst];
      } else if (base == 3) {
        c = {p[0], p[0], p[0], 255};
      } else {
        c = Colour(p, depth);
      }
      PutRGB(d, x, c.r, c.g, c.b);
      if (wantAlpha) {
        image.alpha[static_cast<std::size_t>(y) * width + x] = c.a;
        anyAlpha = anyAlpha || c.a != 0;
      }
    }
  }
  if (!anyAlpha) image.alpha.clear();
  DropOpaqueAlpha(image);
  return image;
}

}  // namespace kestro::imaging
