#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kestro::imaging {

// Little- and big-endian reads at an offset, answering 0 past the end.
// Decoders check ranges with Has() before relying on the values.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

  std::size_t Size() const { return data_.size(); }
  // True when `count` bytes starting at `offset` lie inside the data.
  bool Has(std::uint64_t offset, std::uint64_t count) const {
    return offset <= data_.size() && count <= data_.size() - offset;
  }
  std::uint8_t U8(std::size_t offset) const { return offset < data_.size() ? data_[offset] : 0; }
  std::uint16_t U16LE(std::size_t offset) const {
    return static_cast<std::uint16_t>(U8(offset) | U8(offset + 1) << 8);
  }
  std::uint32_t U32LE(std::size_t offset) const {
    return static_cast<std::uint32_t>(U16LE(offset)) | static_cast<std::uint32_t>(U16LE(offset + 2)) << 16;
  }
  std::int32_t S32LE(std::size_t offset) const { return static_cast<std::int32_t>(U32LE(offset)); }
  std::uint16_t U16BE(std::size_t offset) const {
    return static_cast<std::uint16_t>(U8(offset) << 8 | U8(offset + 1));
  }
  std::uint32_t U32BE(std::size_t offset) const {
    return static_cast<std::uint32_t>(U16BE(offset)) << 16 | U16BE(offset + 2);
  }
  // The bytes from `offset` on (empty past the end).
  std::span<const std::uint8_t> From(std::size_t offset) const {
    return offset < data_.size() ? data_.subspan(offset) : std::span<const std::uint8_t>();
  }
  const std::uint8_t* Data() const { return data_.data(); }

 private:
  std::span<const std::uint8_t> data_;
};

}  // namespace kestro::imaging
