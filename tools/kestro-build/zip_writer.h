#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "build_error.h"

namespace kestro::builder {

// Reads up to `count` bytes into `buffer`; returns how many it read, 0 at the end.
using ByteSource = std::function<std::size_t(char* buffer, std::size_t count)>;

// The MS-DOS date and time of 1 January 1980, 00:00:00: the earliest a ZIP entry can hold.
inline constexpr std::uint32_t kDosEpoch = (1u << 21) | (1u << 16);

// Packs a calendar time into an MS-DOS date and time, clamped to the range
// the format holds (1980-01-01 00:00:00 to 2107-12-31 23:59:58).
std::uint32_t ToDosDateTime(int year, int month, int day, int hour, int minute, int second);

// Writes a ZIP archive in memory: each entry compressed with raw Deflate
// (method 8) at a fixed level, so the same entries always give the same
// bytes. No ZIP64: an entry or archive that would need it is refused.
class ZipWriter {
 public:
  static constexpr int kDeflateLevel = 9;

  // Adds an entry named `name` (stored as given; "/" would make folders)
  // holding everything `source` yields.
  void AddEntry(std::string_view name, std::uint32_t dosDateTime, const ByteSource& source);
  void AddEntry(std::string_view name, std::uint32_t dosDateTime, std::string_view data);

  // The central directory and end record; the archive is complete afterwards.
  std::string Finish();

 private:
  struct CentralEntry {
    std::string name;
    std::uint32_t dosDateTime;
    std::uint32_t crc;
    std::uint32_t compressedSize;
    std::uint32_t size;
    std::uint32_t localHeaderOffset;
  };
  std::string archive_;
  std::vector<CentralEntry> entries_;
  bool finished_ = false;
};

}  // namespace kestro::builder
