#pragma once

// The little of EXIF the builder needs: a picture's orientation, and the
// fields that change when a JPEG is turned upright. Everything is read from
// untrusted files: every offset and count is checked against the data, and
// data that does not hold up reads as "no such field".

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace kestro::builder {

using ConstBytes = std::span<const std::uint8_t>;

// The TIFF structure of EXIF data: its offset and size within the file.
struct ExifBlock {
  std::size_t offset = 0;
  std::size_t size = 0;
};

// The EXIF data of a JPEG file: the first APP1 segment starting "Exif\0\0"
// before the first scan. None when the file has none or its segments do not
// hold together before one is found.
std::optional<ExifBlock> FindJpegExif(ConstBytes jpeg);

// One value of a tag with a single SHORT or LONG count, as it lies in the block.
struct ExifValue {
  std::size_t at = 0;    // offset of the value within the block
  bool isLong = false;   // LONG (4 bytes) rather than SHORT (2)
  std::uint32_t value = 0;
};

struct ExifFields {
  bool bigEndian = false;
  std::optional<ExifValue> orientation;   // IFD0 tag 0x0112
  std::optional<ExifValue> pixelWidth;    // Exif IFD tags 0xA002 and 0xA003
  std::optional<ExifValue> pixelHeight;

  // 1 to 8 as stored, 1 when the tag is absent; other stored values as they are.
  std::uint32_t Orientation() const { return orientation ? orientation->value : 1; }
};

// Reads the fields from a TIFF-structured EXIF block (the JPEG segment's
// content after "Exif\0\0", a WebP "EXIF" chunk, a HEIF Exif item after its
// offset word).
ExifFields ReadExifFields(ConstBytes block);

// Writes orientation 1 into the block, and the picture's size into the pixel
// dimensions where the block has them, in place: the block keeps its size.
void MarkExifUpright(std::span<std::uint8_t> block, const ExifFields& fields, std::uint32_t width,
                     std::uint32_t height);

// The orientation a JPEG file's EXIF data gives it (1 without EXIF).
std::uint32_t JpegOrientation(ConstBytes jpeg);

}  // namespace kestro::builder
