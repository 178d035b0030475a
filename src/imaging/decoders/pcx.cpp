// ZSoft Paintbrush: 1, 2, 4 and 8 bits per plane, planar colour, run-length
// coded or plain.

#include <vector>

#include "imaging/byte_reader.h"
#include "imaging/decoders.h"
#include "imaging/errors.h"

namespace kestro::imaging {

namespace {

constexpr const char* kInvalidPcx = "PCX image is not valid";
constexpr std::size_t kHeaderSize = 128;

[[noreturn]] void Invalid() { throw EInvalidGraphic(kInvalidPcx); }

// Unpacks the coded data one scanline (all planes) at a time.
class ScanlineReader {
 public:
  ScanlineReader(const ByteReader& data, bool rle) : data_(data), rle_(rle) {}

  void Next(std::vector<std::uint8_t>& line) {
    std::size_t filled = 0;
    // A run may go on into the next scanline.
    while (filled < line.size() && pending_ > 0) {
      line[filled++] = value_;
      --pending_;
    }
    while (filled < line.size()) {
      if (pos_ >= data_.Size()) Invalid();
      const std::uint8_t b = data_.U8(pos_++);
      if (rle_ && (b & 0xC0) == 0xC0) {
        if (pos_ >= data_.Size()) Invalid();
        value_ = data_.U8(pos_++);
        pending_ = b & 0x3F;
        while (filled < line.size() && pending_ > 0) {
          line[filled++] = value_;
          --pending_;
        }
      } else {
        line[filled++] = b;
      }
    }
  }

 private:
  const ByteReader& data_;
  bool rle_;
  std::size_t pos_ = kHeaderSize;
  std::uint8_t value_ = 0;
  unsigned pending_ = 0;
};

}  // namespace

DecodedImage DecodePCX(ByteSpan bytes) {
  const ByteReader data(bytes);
  if (!data.Has(0, kHeaderSize) || data.U8(0) != 0x0A || data.U8(2) > 1) Invalid();
  const int bits = data.U8(3);
  const long long width = static_cast<long long>(data.U16LE(8)) - data.U16LE(4) + 1;
  const long long height = static_cast<long long>(data.U16LE(10)) - data.U16LE(6) + 1;
  const int planes = data.U8(65);
  const std::size_t bytesPerLine = data.U16LE(66);
  if (width <= 0 || height <= 0) Invalid();
  CheckPictureSize(width, height);

  enum { kIndexed, kPlanar, kTrueColor } layout;
  if (bits == 8 && (planes == 3 || planes == 4)) layout = kTrueColor;
  else if (planes == 1 && (bits == 1 || bits == 2 || bits == 4 || bits == 8)) layout = kIndexed;
  else if (bits == 1 && planes >= 2 && planes <= 4) layout = kPlanar;
  else Invalid();
  if (bytesPerLine < static_cast<std::size_t>((width * bits + 7) / 8)) Invalid();

  // Colours: the 256-entry table at the end of the file for 8-bit images,
  // black and white for 1-bit images, the header's 16-entry table otherwise.
  TColor palette[256] = {};
  std::size_t dataEnd = data.Size();
  if (layout == kIndexed && bits == 8) {
    if (data.Size() < kHeaderSize + 769 || data.U8(data.Size() - 769) != 0x0C) Invalid();
    dataEnd = data.Size() - 769;
    for (std::size_t i = 0; i < 256; ++i) {
      const std::size_t at = dataEnd + 1 + 3 * i;
      palette[i] = RGB(data.U8(at), data.U8(at + 1), data.U8(at + 2));
    }
  } else if (layout == kIndexed && bits == 1) {
    palette[1] = RGB(255, 255, 255);
  } else {
    for (int i = 0; i < 16; ++i) palette[i] = RGB(data.U8(16 + 3 * i), data.U8(17 + 3 * i), data.U8(18 + 3 * i));
  }

  // A coded byte pair gives at most 63 bytes: refuse data too short for the
  // picture before allocating it.
  const std::uint64_t lineBytes = bytesPerLine * static_cast<std::uint64_t>(planes);
  if ((dataEnd - kHeaderSize) * 63 < lineBytes * static_cast<std::uint64_t>(height) * 2) Invalid();
  DecodedImage image;
  image.pixels = Bitmap24(static_cast<int>(width), static_cast<int>(height));
  std::vector<std::uint8_t> line(bytesPerLine * planes);
  const ByteReader coded(bytes.first(dataEnd));
  ScanlineReader reader(coded, data.U8(2) == 1);
  for (int y = 0; y < height; ++y) {
    reader.Next(line);
    std::uint8_t* d = image.pixels.ScanLine(y);
    for (int x = 0; x < width; ++x) {
      if (layout == kTrueColor) {
        PutRGB(d, x, line[x], line[bytesPerLine + x], line[2 * bytesPerLine + x]);
        continue;
      }
      unsigned index = 0;
      if (layout == kIndexed) {
        const std::size_t bit = static_cast<std::size_t>(x) * bits;
        index = (line[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
      } else {
        for (int p = 0; p < planes; ++p) index |= ((line[p * bytesPerLine + x / 8] >> (7 - x % 8)) & 1u) << p;
      }
      const TColor c = palette[index];
      PutRGB(d, x, Red(c), Green(c), Blue(c));
    }
  }
  return image;
}

}  // namespace kestro::imaging
