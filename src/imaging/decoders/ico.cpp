// Windows icons: the directory's largest, deepest image, bitmap or PNG.

#include <algorithm>
#include <optional>

#include "imaging/decoders.h"
#include "imaging/decoders/dib.h"
#include "imaging/errors.h"
#include "imaging/png_internal.h"

namespace kestro::imaging {

namespace {

constexpr const char* kInvalidIcon = "Icon image is not valid";

struct Candidate {
  std::size_t offset = 0;
  std::size_t size = 0;
  bool png = false;
  long long width = 0;
  long long height = 0;
  int depth = 0;
};

// What an entry's image data says about its size and depth; false when the
// data is not an image this decoder reads.
bool Inspect(const ByteReader& data, Candidate& c) {
  const ByteSpan image = data.From(c.offset).first(c.size);
  const ByteReader r(image);
  if (IsPNG(image)) {
    // IHDR: width, height, bit depth, colour type.
    if (!r.Has(16, 10)) return false;
    c.png = true;
    c.width = r.U32BE(16);
    c.height = r.U32BE(20);
    const int channels[] = {1, 0, 3, 1, 2, 0, 4};
    const int type = r.U8(25);
    c.depth = r.U8(24) * (type < 7 ? channels[type] : 0);
    return c.width > 0 && c.height > 0;
  }
  if (!r.Has(0, 16)) return false;
  const std::uint32_t headerSize = r.U32LE(0);
  if (headerSize != 40 && headerSize != 12 && headerSize != 108 && headerSize != 124) return false;
  c.width = headerSize == 12 ? r.U16LE(4) : r.S32LE(4);
  c.height = (headerSize == 12 ? r.U16LE(6) : r.S32LE(8)) / 2;
  c.depth = headerSize == 12 ? r.U16LE(10) : r.U16LE(14);
  return c.width > 0 && c.height > 0;
}

DecodedImage DecodeBitmapIcon(ByteSpan bytes) {
  const ByteReader data(bytes);
  DibHeader header = ReadDibHeader(data, 0, kInvalidIcon);
  if (header.height <= 1 || header.compression != 0) throw EInvalidGraphic(kInvalidIcon);
  // The stored height covers the colour image and the mask below it.
  const long long rows = header.height / 2;
  CheckPictureSize(header.width, rows);
  header.height = rows;
  DecodedImage image;
  std::vector<std::uint8_t> alpha32;
  const bool deep = header.bitCount == 32;
  const std::size_t maskOffset =
      DecodeDibPixels(data, header, static_cast<int>(rows), header.afterHeader, image.pixels, deep ? &alpha32 : nullptr,
                      kInvalidIcon);
  const int width = static_cast<int>(header.width);
  const std::size_t pixels = static_cast<std::size_t>(width) * rows;

  // 32-bit images carry alpha; when every alpha byte is 0 the writer meant
  // the mask instead.
  if (deep && std::any_of(alpha32.begin(), alpha32.end(), [](std::uint8_t a) { return a != 0; })) {
    image.alpha = std::move(alpha32);
    DropOpaqueAlpha(image);
    return image;
  }
  // The mask: one bit per pixel, rows padded to 32 bits, set where
  // transparent. Icons without the mask are opaque.
  const std::size_t stride = (static_cast<std::size_t>(width) + 31) / 32 * 4;
  if (!data.Has(maskOffset, stride * rows)) return image;
  image.alpha.assign(pixels, 255);
  for (long long line = 0; line < rows; ++line) {
    const std::size_t y = static_cast<std::size_t>(rows - 1 - line);
    const std::uint8_t* m = data.Data() + maskOffset + stride * line;
    for (int x = 0; x < width; ++x) {
      if ((m[x / 8] >> (7 - x % 8)) & 1) image.alpha[y * width + x] = 0;
    }
  }
  DropOpaqueAlpha(image);
  return image;
}

}  // namespace

DecodedImage DecodeICO(ByteSpan bytes) {
  const ByteReader data(bytes);
  if (!data.Has(0, 6) || data.U16LE(0) != 0 || (data.U16LE(2) != 1 && data.U16LE(2) != 2)) {
    throw EInvalidGraphic(kInvalidIcon);
  }
  const unsigned count = data.U16LE(4);
  if (count == 0 || !data.Has(6, 16u * count)) throw EInvalidGraphic(kInvalidIcon);

  std::optional<Candidate> best;
  for (unsigned i = 0; i < count; ++i) {
    const std::size_t entry = 6 + 16u * i;
    Candidate c;
    c.size = data.U32LE(entry + 8);
    c.offset = data.U32LE(entry + 12);
    // A directory pointing outside the file is damaged (or cut short).
    if (!data.Has(c.offset, c.size)) throw EInvalidGraphic(kInvalidIcon);
    if (c.size == 0 || !Inspect(data, c) || c.width > CurrentPictureLimits().maxSide ||
        c.height > CurrentPictureLimits().maxSide) continue;
    if (!best || c.width * c.height > best->width * best->height ||
        (c.width * c.height == best->width * best->height && c.depth > best->depth)) {
      best = c;
    }
  }
  if (!best) throw EInvalidGraphic(kInvalidIcon);
  const ByteSpan image = data.From(best->offset).first(best->size);
  return best->png ? DecodePNG(image) : DecodeBitmapIcon(image);
}

}  // namespace kestro::imaging
