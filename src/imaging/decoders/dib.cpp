#include "imaging/decoders/dib.h"

#include <bit>

#include "imaging/errors.h"

namespace kestro::imaging {

namespace {

constexpr std::uint32_t kRGB = 0, kRLE8 = 1, kRLE4 = 2, kBitFields = 3, kAlphaBitFields = 6;

// One colour channel of a packed pixel: its mask, scaled to 8 bits.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint32_t max = 0;

  explicit Channel(std::uint32_t m) : mask(m) {
    if (m == 0) return;
    shift = std::countr_zero(m);
    max = m >> shift;
  }
  std::uint8_t Get(std::uint32_t pixel) const {
    if (max == 0) return 0;
    const std::uint64_t v = (pixel & mask) >> shift;
    return static_cast<std::uint8_t>((v * 255 + max / 2) / max);
  }
};

[[noreturn]] void Invalid(const char* message) { throw EInvalidGraphic(message); }

// Run-length coded indices (4 or 8 bits) into `indices`, rows from the
// bottom unless top-down. Pixels the data skips stay 0.
void DecodeRle(const ByteReader& data, std::size_t pos, int width, int rows, bool four, bool topDown,
               std::vector<std::uint8_t>& indices, const char* invalid) {
  int x = 0;
  int line = 0;  // counted in file order
  auto put = [&](std::uint8_t index) {
    if (x < width && line < rows) {
      const int y = topDown ? line : rows - 1 - line;
      indices[static_cast<std::size_t>(y) * width + x] = index;
    }
    ++x;
  };
  for (;;) {
    if (!data.Has(pos, 2)) {
      // Some writers stop without the end marker once every row is written.
      if (line >= rows - 1 && (line >= rows || x >= width)) return;
      Invalid(invalid);
    }
    const unsigned count = data.U8(pos);
    const unsigned value = data.U8(pos + 1);
    pos += 2;
    if (count > 0) {
      for (unsigned i = 0; i < count && x < width; ++i) {
        put(four ? static_cast<std::uint8_t>(i % 2 == 0 ? value >> 4 : value & 15) : static_cast<std::uint8_t>(value));
      }
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++line;
    } else if (value == 1) {  // end of bitmap
      return;
    } else if (value == 2) {  // move right and up
      if (!data.Has(pos, 2)) Invalid(invalid);
      x += data.U8(pos);
      line += data.U8(pos + 1);
      pos += 2;
    } else {  // `value` literal pixels, padded to a 16-bit boundary
      const std::size_t bytes = four ? (value + 1) / 2 : value;
      if (!data.Has(pos, bytes)) Invalid(invalid);
      for (unsigned i = 0; i < value; ++i) {
        const std::uint8_t b = data.U8(pos + (four ? i / 2 : i));
        put(four ? static_cast<std::uint8_t>(i % 2 == 0 ? b >> 4 : b & 15) : b);
      }
      pos += (bytes + 1) & ~static_cast<std::size_t>(1);
    }
    if (line >= rows) return;
  }
}

}  // namespace

DibHeader ReadDibHeader(const ByteReader& data, std::size_t offset, const char* invalid) {
  DibHeader h;
  if (!data.Has(offset, 12)) Invalid(invalid);
  h.headerSize = data.U32LE(offset);
  const bool core = h.headerSize == 12;
  if (!(core || h.headerSize == 16 || h.headerSize == 40 || h.headerSize == 52 || h.headerSize == 56 ||
        h.headerSize == 64 || h.headerSize == 108 || h.headerSize == 124)) {
    Invalid(invalid);
  }
  if (!data.Has(offset, h.headerSize)) Invalid(invalid);
  if (core) {
    h.width = data.U16LE(offset + 4);
    h.height = data.U16LE(offset + 6);
    h.bitCount = data.U16LE(offset + 10);
  } else {
    h.width = data.S32LE(offset + 4);
    h.height = data.S32LE(offset + 8);
    h.bitCount = data.U16LE(offset + 14);
    if (h.headerSize >= 40) h.compression = data.U32LE(offset + 16);
  }
  // OS/2 2.x uses compression 3 and 4 for Huffman and 24-bit RLE.
  if (h.headerSize == 16 || h.headerSize == 64) {
    if (h.compression > kRLE4) Invalid(invalid);
  }
  const long long absHeight = h.height < 0 ? -h.height : h.height;
  if (h.width <= 0 || absHeight == 0) Invalid(invalid);
  switch (h.bitCount) {
    case 1: case 2: case 4: case 8: case 16: case 24: case 32: break;
    default: Invalid(invalid);
  }
  switch (h.compression) {
    case kRGB: break;
    case kRLE8: if (h.bitCount != 8) Invalid(invalid); break;
    case kRLE4: if (h.bitCount != 4) Invalid(invalid); break;
    case kBitFields:
    case kAlphaBitFields: if (h.bitCount != 16 && h.bitCount != 32) Invalid(invalid); break;
    default: Invalid(invalid);
  }
  if ((h.compression == kRLE8 || h.compression == kRLE4) && h.height < 0) Invalid(invalid);

  std::size_t pos = offset + h.headerSize;
  if (h.compression == kBitFields || h.compression == kAlphaBitFields) {
    if (h.headerSize >= 52) {
      for (int i = 0; i < 3; ++i) h.masks[i] = data.U32LE(offset + 40 + 4 * i);
      if (h.headerSize >= 56) h.masks[3] = data.U32LE(offset + 52);
    } else {
      const int count = h.compression == kAlphaBitFields ? 4 : 3;
      if (!data.Has(pos, 4u * count)) Invalid(invalid);
      for (int i = 0; i < count; ++i) h.masks[i] = data.U32LE(pos + 4 * i);
      pos += 4u * count;
    }
  } else if (h.bitCount == 16) {
    h.masks[0] = 0x7C00;
    h.masks[1] = 0x03E0;
    h.masks[2] = 0x001F;
  } else if (h.bitCount == 32) {
    h.masks[0] = 0x00FF0000;
    h.masks[1] = 0x0000FF00;
    h.masks[2] = 0x000000FF;
  }

  // Colour table: as many entries as the header says are used, else the
  // full table of the depth. Entries the file lacks are black.
  const std::size_t entrySize = core ? 3 : 4;
  std::uint32_t used = (!core && h.headerSize >= 36) ? data.U32LE(offset + 32) : 0;
  std::size_t entries = 0;
  if (h.bitCount <= 8) {
    const std::uint32_t full = 1u << h.bitCount;
    entries = (used == 0 || used > full) ? full : used;
  } else if (used <= 256) {
    entries = used;  // an optional table for palette displays: skipped
  }
  if (h.bitCount <= 8) {
    h.palette.assign(std::size_t{1} << h.bitCount, 0);
    for (std::size_t i = 0; i < entries && data.Has(pos + i * entrySize, entrySize); ++i) {
      const std::size_t p = pos + i * entrySize;
      h.palette[i] = RGB(data.U8(p + 2), data.U8(p + 1), data.U8(p));
    }
  }
  h.afterHeader = pos + entries * entrySize;
  return h;
}

std::size_t DecodeDibPixels(const ByteReader& data, const DibHeader& h, int rows, std::size_t bitsOffset,
                            Bitmap24& out, std::vector<std::uint8_t>* alpha32, const char* invalid) {
  const int width = static_cast<int>(h.width);
  const bool topDown = h.height < 0;
  const bool rle = h.compression == kRLE8 || h.compression == kRLE4;
  const std::uint64_t stride = (static_cast<std::uint64_t>(width) * h.bitCount + 31) / 32 * 4;
  const std::uint64_t lastRow = (static_cast<std::uint64_t>(width) * h.bitCount + 7) / 8;
  // Plain pixel data must all be there before anything is allocated.
  if (!rle && !data.Has(bitsOffset, stride * (rows - 1) + lastRow)) Invalid(invalid);
  out = Bitmap24(width, rows);
  if (alpha32 != nullptr) alpha32->assign(static_cast<std::size_t>(width) * rows, 0);

  if (rle) {
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(width) * rows, 0);
    DecodeRle(data, bitsOffset, width, rows, h.compression == kRLE4, topDown, indices, invalid);
    for (int y = 0; y < rows; ++y) {
      std::uint8_t* d = out.ScanLine(y);
      const std::uint8_t* s = indices.data() + static_cast<std::size_t>(y) * width;
      for (int x = 0; x < width; ++x) {
        const TColor c = h.palette[s[x]];
        PutRGB(d, x, Red(c), Green(c), Blue(c));
      }
    }
    return data.Size();
  }

  const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
  for (int line = 0; line < rows; ++line) {
    const int y = topDown ? line : rows - 1 - line;
    const std::uint8_t* s = data.Data() + bitsOffset + stride * line;
    std::uint8_t* d = out.ScanLine(y);
    std::uint8_t* a = alpha32 != nullptr ? alpha32->data() + static_cast<std::size_t>(y) * width : nullptr;
    switch (h.bitCount) {
      case 1: case 2: case 4: case 8: {
        const int bits = h.bitCount;
        const unsigned mask = (1u << bits) - 1;
        for (int x = 0; x < width; ++x) {
          const std::size_t bit = static_cast<std::size_t>(x) * bits;
          const unsigned index = (s[bit / 8] >> (8 - bits - bit % 8)) & mask;
          const TColor c = h.palette[index];
          PutRGB(d, x, Red(c), Green(c), Blue(c));
        }
        break;
      }
      case 16:
        for (int x = 0; x < width; ++x) {
          const std::uint32_t p = s[2 * x] | s[2 * x + 1] << 8;
          PutRGB(d, x, red.Get(p), green.Get(p), blue.Get(p));
        }
        break;
      case 24:
        for (int x = 0; x < width; ++x) PutRGB(d, x, s[3 * x + 2], s[3 * x + 1], s[3 * x]);
        break;
      case 32:
        for (int x = 0; x < width; ++x) {
          const std::uint8_t* q = s + 4 * x;
          const std::uint32_t p = q[0] | q[1] << 8 | q[2] << 16 | static_cast<std::uint32_t>(q[3]) << 24;
          PutRGB(d, x, red.Get(p), green.Get(p), blue.Get(p));
          if (a != nullptr) a[x] = q[3];
        }
        break;
    }
  }
  return bitsOffset + stride * rows;
}

}  // namespace kestro::imaging
