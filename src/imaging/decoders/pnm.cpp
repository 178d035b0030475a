// Portable any-maps: P1 to P6, maximum values up to 65535, comments.

#include <cctype>
#include <vector>

#include "imaging/byte_reader.h"
#include "imaging/decoders.h"
#include "imaging/errors.h"

namespace kestro::imaging {

namespace {

constexpr const char* kInvalidPnm = "Portable any-map image is not valid";

[[noreturn]] void Invalid() { throw EInvalidGraphic(kInvalidPnm); }

class Tokens {
 public:
  explicit Tokens(const ByteReader& data) : data_(data) {}

  // Skips white space and comments (from '#' to the end of the line).
  void SkipSpace() {
    while (pos_ < data_.Size()) {
      const std::uint8_t c = data_.U8(pos_);
      if (c == '#') {
        while (pos_ < data_.Size() && data_.U8(pos_) != '\n' && data_.U8(pos_) != '\r') ++pos_;
      } else if (std::isspace(c)) {
        ++pos_;
      } else {
        break;
      }
    }
  }

  // A decimal number, at most `limit`.
  unsigned Number(unsigned limit) {
    SkipSpace();
    if (pos_ >= data_.Size() || !std::isdigit(data_.U8(pos_))) Invalid();
    unsigned long long v = 0;
    while (pos_ < data_.Size() && std::isdigit(data_.U8(pos_))) {
      v = v * 10 + (data_.U8(pos_++) - '0');
      if (v > limit) Invalid();
    }
    return static_cast<unsigned>(v);
  }

  // One plain-PBM digit; they need not be separated.
  unsigned Bit() {
    SkipSpace();
    if (pos_ >= data_.Size()) Invalid();
    const std::uint8_t c = data_.U8(pos_++);
    if (c != '0' && c != '1') Invalid();
    return c - '0';
  }

  std::size_t Pos() const { return pos_; }
  void Skip(std::size_t n) { pos_ += n; }

 private:
  const ByteReader& data_;
  std::size_t pos_ = 0;
};

}  // namespace

DecodedImage DecodePNM(ByteSpan bytes) {
  const ByteReader data(bytes);
  if (!data.Has(0, 2) || data.U8(0) != 'P' || data.U8(1) < '1' || data.U8(1) > '6') Invalid();
  const int kind = data.U8(1) - '0';
  const bool bitmap = kind == 1 || kind == 4;
  const bool colour = kind == 3 || kind == 6;
  const bool raw = kind >= 4;

  Tokens tokens(data);
  tokens.Skip(2);
  const unsigned width = tokens.Number(CurrentPictureLimits().maxSide);
  const unsigned height = tokens.Number(CurrentPictureLimits().maxSide);
  CheckPictureSize(width, height);
  const unsigned maxval = bitmap ? 1 : tokens.Number(65535);
  if (maxval == 0) Invalid();
  // Raw data starts after exactly one white-space character.
  if (raw) {
    if (!data.Has(tokens.Pos(), 1) || !std::isspace(data.U8(tokens.Pos()))) Invalid();
    tokens.Skip(1);
  }

  const int channels = colour ? 3 : 1;
  const std::size_t sampleBytes = maxval > 255 ? 2 : 1;
  const std::size_t rowBytes = bitmap ? (width + 7) / 8 : static_cast<std::size_t>(width) * channels * sampleBytes;
  if (raw && !data.Has(tokens.Pos(), rowBytes * height)) Invalid();
  // Plain samples take a character each at least.
  if (!raw && !data.Has(tokens.Pos(), static_cast<std::uint64_t>(width) * height * channels)) Invalid();

  DecodedImage image;
  image.pixels = Bitmap24(static_cast<int>(width), static_cast<int>(height));
  auto scale = [maxval](unsigned v) {
    if (v > maxval) v = maxval;
    return static_cast<std::uint8_t>((v * 255u + maxval / 2) / maxval);
  };
  const std::uint8_t* base = data.Data() + tokens.Pos();
  for (unsigned y = 0; y < height; ++y) {
    std::uint8_t* d = image.pixels.ScanLine(static_cast<int>(y));
    const std::uint8_t* row = raw ? base + rowBytes * y : nullptr;
    std::size_t at = 0;
    auto sample = [&]() -> unsigned {
      if (!raw) return tokens.Number(65535);
      unsigned v = row[at++];
      if (sampleBytes == 2) v = v << 8 | row[at++];
      return v;
    };
    for (unsigned x = 0; x < width; ++x) {
      if (bitmap) {
        const unsigned bit = raw ? (row[x / 8] >> (7 - x % 8)) & 1u : tokens.Bit();
        const std::uint8_t v = bit ? 0 : 255;  // 1 is black
        PutRGB(d, static_cast<int>(x), v, v, v);
      } else if (colour) {
        const std::uint8_t r = scale(sample());
        const std::uint8_t g = scale(sample());
        const std::uint8_t b = scale(sample());
        PutRGB(d, static_cast<int>(x), r, g, b);
      } else {
        const std::uint8_t v = scale(sample());
        PutRGB(d, static_cast<int>(x), v, v, v);
      }
    }
  }
  return image;
}

}  // namespace kestro::imaging
