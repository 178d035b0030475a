#pragma once

// EXIF data written by the tests, in either byte order.

#include <cstdint>

#include "imaging/test_pictures.h"

namespace kestro::testing {

// A TIFF block: IFD0 with ImageDescription, Orientation and an Exif IFD
// pointer; the Exif IFD with both pixel dimensions (SHORT or LONG).
inline Bytes MakeExif(bool bigEndian, std::uint32_t orientation, bool longDimensions) {
  Bytes b;
  auto put16 = [&](std::uint32_t v) {
    if (bigEndian) {
      b.push_back(static_cast<std::uint8_t>(v >> 8));
      b.push_back(static_cast<std::uint8_t>(v));
    } else {
      b.push_back(static_cast<std::uint8_t>(v));
      b.push_back(static_cast<std::uint8_t>(v >> 8));
    }
  };
  auto put32 = [&](std::uint32_t v) {
    if (bigEndian) {
      put16(v >> 16);
      put16(v & 0xFFFF);
    } else {
      put16(v & 0xFFFF);
      put16(v >> 16);
    }
  };
  auto entry = [&](std::uint16_t tag, std::uint16_t type, std::uint32_t value) {
    put16(tag);
    put16(type);
    put32(1);
    if (type == 3) {
      put16(value);
      put16(0);
    } else {
      put32(value);
    }
  };
  b.push_back(bigEndian ? 'M' : 'I');
  b.push_back(bigEndian ? 'M' : 'I');
  put16(42);
  put32(8);
  // IFD0 at 8: three entries, then the next-IFD offset; the Exif IFD follows.
  const std::uint32_t exifIfd = 8 + 2 + 3 * 12 + 4;
  put16(3);
  entry(0x010E, 2, 0);  // ImageDescription, an ASCII value not read
  entry(0x0112, 3, orientation);
  entry(0x8769, 4, exifIfd);
  put32(0);
  put16(2);
  entry(0xA002, longDimensions ? 4 : 3, 640);
  entry(0xA003, longDimensions ? 4 : 3, 480);
  put32(0);
  return b;
}

// The block as the APP1 segment of a JPEG file, right after its SOI.
inline Bytes WithExif(const Bytes& jpeg, const Bytes& tiff) {
  Bytes segment = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
  segment.insert(segment.end(), tiff.begin(), tiff.end());
  const std::size_t length = segment.size() - 2;
  segment[2] = static_cast<std::uint8_t>(length >> 8);
  segment[3] = static_cast<std::uint8_t>(length);
  Bytes out;
  out.reserve(jpeg.size() + segment.size());
  out.insert(out.end(), jpeg.begin(), jpeg.begin() + 2);
  out.insert(out.end(), segment.begin(), segment.end());
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

}  // namespace kestro::testing
