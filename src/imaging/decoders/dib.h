#pragma once

// Device-independent bitmaps: the pixel data of Windows bitmaps and of the
// images inside icons.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/byte_reader.h"
#include "imaging/pixels.h"

namespace kestro::imaging {

struct DibHeader {
  std::size_t headerSize = 0;
  long long width = 0;
  long long height = 0;  // as stored: negative for top-down rows
  int bitCount = 0;
  std::uint32_t compression = 0;
  std::uint32_t masks[4] = {};  // red, green, blue, alpha
  std::vector<TColor> palette;
  std::size_t afterHeader = 0;  // first byte after header, masks and colour table
};

// Reads the header at `offset` (core, info, v4, v5 or OS/2 2.x) and its
// colour table. Raises EInvalidGraphic(`invalid`) for a header it cannot use.
DibHeader ReadDibHeader(const ByteReader& data, std::size_t offset, const char* invalid);

// Decodes `rows` rows of the header's width from the pixel data at
// `bitsOffset`, bottom-up unless the stored height was negative. With
// `alpha32`, the fourth byte of 32-bit pixels is stored there. Returns the
// offset just past the pixel rows (for uncompressed data).
std::size_t DecodeDibPixels(const ByteReader& data, const DibHeader& header, int rows, std::size_t bitsOffset,
                            Bitmap24& out, std::vector<std::uint8_t>* alpha32, const char* invalid);

}  // namespace kestro::imaging
