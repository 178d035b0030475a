#include "exif.h"

#include <cstring>

#include "imaging/byte_reader.h"

namespace kestro::builder {

namespace {

using imaging::ByteReader;

constexpr std::uint8_t kSOI = 0xD8, kEOI = 0xD9, kSOS = 0xDA, kAPP1 = 0xE1, kTEM = 0x01;
constexpr char kExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};

constexpr std::uint16_t kTagOrientation = 0x0112;
constexpr std::uint16_t kTagExifIfd = 0x8769;
constexpr std::uint16_t kTagPixelXDimension = 0xA002;
constexpr std::uint16_t kTagPixelYDimension = 0xA003;
constexpr std::uint16_t kTypeShort = 3, kTypeLong = 4, kTypeIfd = 13;
constexpr std::size_t kEntrySize = 12;

// A TIFF structure in either byte order.
class Tiff {
 public:
  Tiff(ConstBytes data, bool bigEndian) : r_(data), big_(bigEndian) {}
  bool Has(std::uint64_t offset, std::uint64_t count) const { return r_.Has(offset, count); }
  std::uint16_t U16(std::size_t at) const { return big_ ? r_.U16BE(at) : r_.U16LE(at); }
  std::uint32_t U32(std::size_t at) const { return big_ ? r_.U32BE(at) : r_.U32LE(at); }

  // Calls `visit(tag, type, entry offset)` for each entry of the IFD at
  // `offset`; an IFD whose table does not lie wholly inside is not read.
  template <typename Visit>
  void ForEachEntry(std::uint32_t offset, Visit visit) const {
    if (!Has(offset, 2)) return;
    const std::uint16_t count = U16(offset);
    if (!Has(std::uint64_t{offset} + 2, std::uint64_t{count} * kEntrySize)) return;
    for (std::uint16_t i = 0; i < count; ++i) {
      const std::size_t entry = offset + 2 + std::size_t{i} * kEntrySize;
      visit(U16(entry), U16(entry + 2), entry);
    }
  }

  // The value of an entry holding one SHORT or one LONG (stored in the entry itself).
  std::optional<ExifValue> SingleValue(std::uint16_t type, std::size_t entry) const {
    if (U32(entry + 4) != 1) return std::nullopt;
    if (type == kTypeShort) return ExifValue{entry + 8, false, U16(entry + 8)};
    if (type == kTypeLong) return ExifValue{entry + 8, true, U32(entry + 8)};
    return std::nullopt;
  }

 private:
  ByteReader r_;
  bool big_;
};

void Put(std::span<std::uint8_t> block, bool bigEndian, const ExifValue& field, std::uint32_t value) {
  const int size = field.isLong ? 4 : 2;
  if (field.at > block.size() || block.size() - field.at < static_cast<std::size_t>(size)) return;
  if (!field.isLong && value > 0xFFFF) return;
  for (int i = 0; i < size; ++i) {
    const int shift = 8 * (bigEndian ? size - 1 - i : i);
    block[field.at + i] = static_cast<std::uint8_t>(value >> shift);
  }
}

}  // namespace

std::optional<ExifBlock> FindJpegExif(ConstBytes jpeg) {
  const ByteReader r(jpeg);
  if (r.U8(0) != 0xFF || r.U8(1) != kSOI) return std::nullopt;
  std::size_t at = 2;
  while (r.Has(at, 2)) {
    if (r.U8(at) != 0xFF) return std::nullopt;
    // Fill bytes: any number of 0xFF before the marker code.
    while (r.Has(at + 1, 1) && r.U8(at + 1) == 0xFF) ++at;
    const std::uint8_t marker = r.U8(at + 1);
    if (marker == kEOI || marker == kSOS) return std::nullopt;
    if (marker == kTEM || (marker >= 0xD0 && marker <= 0xD7)) {  // no length of their own
      at += 2;
      continue;
    }
    if (!r.Has(at + 2, 2)) return std::nullopt;
    const std::uint16_t length = r.U16BE(at + 2);  // counts itself, not the marker
    if (length < 2 || !r.Has(at + 2, length)) return std::nullopt;
    const std::size_t content = at + 4, contentSize = length - 2u;
    if (marker == kAPP1 && contentSize >= sizeof kExifHeader &&
        std::memcmp(jpeg.data() + content, kExifHeader, sizeof kExifHeader) == 0) {
      return ExifBlock{content + sizeof kExifHeader, contentSize - sizeof kExifHeader};
    }
    at += 2 + std::size_t{length};
  }
  return std::nullopt;
}

ExifFields ReadExifFields(ConstBytes block) {
  ExifFields fields;
  const ByteReader r(block);
  if (!r.Has(0, 8)) return fields;
  if (r.U8(0) == 'I' && r.U8(1) == 'I') {
    fields.bigEndian = false;
  } else if (r.U8(0) == 'M' && r.U8(1) == 'M') {
    fields.bigEndian = true;
  } else {
    return fields;
  }
  const Tiff tiff(block, fields.bigEndian);
  if (tiff.U16(2) != 42) return fields;

  std::optional<std::uint32_t> exifIfd;
  const std::uint32_t ifd0 = tiff.U32(4);
  tiff.ForEachEntry(ifd0, [&](std::uint16_t tag, std::uint16_t type, std::size_t entry) {
    if (tag == kTagOrientation && !fields.orientation) {
      fields.orientation = tiff.SingleValue(type, entry);
    } else if (tag == kTagExifIfd && !exifIfd && (type == kTypeLong || type == kTypeIfd) &&
               tiff.U32(entry + 4) == 1) {
      exifIfd = tiff.U32(entry + 8);
    }
  });
  // Only the Exif IFD is followed, and only when it is not IFD0 itself.
  if (exifIfd && *exifIfd != ifd0) {
    tiff.ForEachEntry(*exifIfd, [&](std::uint16_t tag, std::uint16_t type, std::size_t entry) {
      if (tag == kTagPixelXDimension && !fields.pixelWidth) fields.pixelWidth = tiff.SingleValue(type, entry);
      if (tag == kTagPixelYDimension && !fields.pixelHeight) fields.pixelHeight = tiff.SingleValue(type, entry);
    });
  }
  return fields;
}

void MarkExifUpright(std::span<std::uint8_t> block, const ExifFields& fields, std::uint32_t width,
                     std::uint32_t height) {
  if (fields.orientation) Put(block, fields.bigEndian, *fields.orientation, 1);
  if (fields.pixelWidth) Put(block, fields.bigEndian, *fields.pixelWidth, width);
  if (fields.pixelHeight) Put(block, fields.bigEndian, *fields.pixelHeight, height);
}

std::uint32_t JpegOrientation(ConstBytes jpeg) {
  const auto block = FindJpegExif(jpeg);
  return block ? ReadExifFields(jpeg.subspan(block->offset, block->size)).Orientation() : 1;
}

}  // namespace kestro::builder
