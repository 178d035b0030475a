// SGI images (.sgi, .rgb, .rgba, .bw): verbatim or run-length coded, 8 or 16
// bits per channel, grey, grey with alpha, RGB and RGBA.

#include <vector>

#include "imaging/byte_reader.h"
#include "imaging/decoders.h"
#include "imaging/errors.h"

namespace kestro::imaging {

namespace {

constexpr const char* kInvalidSgi = "SGI image is not valid";
constexpr std::size_t kHeaderSize = 512;

[[noreturn]] void Invalid() { throw EInvalidGraphic(kInvalidSgi); }

}  // namespace

DecodedImage DecodeSGI(ByteSpan bytes) {
  const ByteReader data(bytes);
  if (!data.Has(0, kHeaderSize) || data.U16BE(0) != 474) Invalid();
  const unsigned storage = data.U8(2);
  const unsigned bpc = data.U8(3);
  const unsigned dimension = data.U16BE(4);
  const unsigned width = data.U16BE(6);
  const unsigned height = dimension == 1 ? 1 : data.U16BE(8);
  const unsigned channels = dimension < 3 ? 1 : data.U16BE(10);
  if (storage > 1 || (bpc != 1 && bpc != 2) || dimension < 1 || dimension > 3 || channels < 1 || channels > 4) Invalid();
  if (data.U32BE(104) != 0) Invalid();  // colour-mapped variants
  if (width == 0 || height == 0) Invalid();
  CheckPictureSize(width, height);

  const std::size_t rows = static_cast<std::size_t>(height) * channels;
  if (storage == 0 && !data.Has(kHeaderSize, rows * width * bpc)) Invalid();
  if (storage == 1 && !data.Has(kHeaderSize, rows * 8)) Invalid();

  // One 8-bit plane per channel, rows from the bottom.
  std::vector<std::uint8_t> planes(rows * width, 0);
  auto item = [&](std::size_t at) -> unsigned { return bpc == 2 ? data.U16BE(at) : data.U8(at); };
  // 16-bit samples are rounded to the nearest 8-bit value, as in every other decoder.
  auto to8 = [bpc](unsigned v) { return static_cast<std::uint8_t>(bpc == 2 ? (v * 255u + 32767u) / 65535u : v); };
  for (std::size_t r = 0; r < rows; ++r) {
    std::uint8_t* out = planes.data() + r * width;
    if (storage == 0) {
      const std::size_t at = kHeaderSize + r * width * bpc;
      for (unsigned x = 0; x < width; ++x) out[x] = to8(item(at + x * bpc));
      continue;
    }
    const std::size_t start = data.U32BE(kHeaderSize + 4 * r);
    const std::size_t length = data.U32BE(kHeaderSize + 4 * rows + 4 * r);
    if (!data.Has(start, length)) Invalid();
    const std::size_t end = start + length;
    std::size_t pos = start;
    unsigned x = 0;
    while (pos + bpc <= end) {
      const unsigned head = item(pos);
      pos += bpc;
      const unsigned count = head & 0x7F;
      if (count == 0) break;
      if (head & 0x80) {
        if (pos + count * bpc > end) Invalid();
        for (unsigned i = 0; i < count; ++i, pos += bpc) {
          if (x < width) out[x++] = to8(item(pos));
        }
      } else {
        if (pos + bpc > end) Invalid();
        const std::uint8_t v = to8(item(pos));
        pos += bpc;
        for (unsigned i = 0; i < count && x < width; ++i) out[x++] = v;
      }
    }
    if (x < width) Invalid();
  }

  DecodedImage image;
  image.pixels = Bitmap24(static_cast<int>(width), static_cast<int>(height));
  const bool alpha = channels == 2 || channels == 4;
  if (alpha) image.alpha.resize(static_cast<std::size_t>(width) * height);
  auto plane = [&](unsigned c, unsigned y) { return planes.data() + (static_cast<std::size_t>(c) * height + y) * width; };
  for (unsigned y = 0; y < height; ++y) {
    const unsigned fileRow = height - 1 - y;
    std::uint8_t* d = image.pixels.ScanLine(static_cast<int>(y));
    for (unsigned x = 0; x < width; ++x) {
      if (channels >= 3) {
        PutRGB(d, static_cast<int>(x), plane(0, fileRow)[x], plane(1, fileRow)[x], plane(2, fileRow)[x]);
      } else {
        const std::uint8_t v = plane(0, fileRow)[x];
        PutRGB(d, static_cast<int>(x), v, v, v);
      }
      if (alpha) image.alpha[static_cast<std::size_t>(y) * width + x] = plane(channels - 1, fileRow)[x];
    }
  }
  DropOpaqueAlpha(image);
  return image;
}

}  // namespace kestro::imaging
