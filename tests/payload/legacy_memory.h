#pragma once

// The decoders of the old ZIP methods run on memory, for tests and fuzz
// targets: compressed bytes handed over in chunks of any size, output
// collected up to a limit, as the reader does with files.

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "payload/legacy_stream.h"

namespace kestro::testzip {

class MemorySource final : public legacyzip::ChunkSource {
 public:
  MemorySource(std::string_view data, std::size_t chunk) : data_(data), chunk_(std::max<std::size_t>(chunk, 1)) {}
  std::span<const unsigned char> Next() override {
    const std::size_t take = std::min(chunk_, data_.size() - at_);
    const auto* start = reinterpret_cast<const unsigned char*>(data_.data()) + at_;
    at_ += take;
    return {start, take};
  }

 private:
  std::string_view data_;
  std::size_t chunk_;
  std::size_t at_ = 0;
};

// Refuses to grow past `limit` bytes, as the reader refuses output beyond
// the declared size. Keeps the bytes, or only counts them.
class MemorySink final : public legacyzip::ChunkSink {
 public:
  struct Overflow {};
  MemorySink(std::size_t limit, bool keep) : limit_(limit), keep_(keep) {}
  void Write(const unsigned char* data, std::size_t size) override {
    if (count + size > limit_) throw Overflow{};
    count += size;
    if (keep_) bytes.append(reinterpret_cast<const char*>(data), size);
  }
  std::string bytes;
  std::size_t count = 0;

 private:
  std::size_t limit_;
  bool keep_;
};

struct Decoded {
  bool ok = false;        // decoded without fault
  bool overflow = false;  // would have written past the declared size
  std::string bytes;      // unless only counted
  std::size_t count = 0;  // bytes written
};

// Decodes `compressed` as ZIP method `method` (1 to 6) with the entry flags
// `flags` and declared size `size`, handing the input over `chunk` bytes at
// a time.
inline Decoded DecodeLegacy(std::uint16_t method, std::uint16_t flags, std::string_view compressed,
                            std::uint32_t size, std::size_t chunk = 32768, bool keepBytes = true) {
  MemorySource in(compressed, chunk);
  MemorySink out(size, keepBytes);
  std::vector<unsigned char> window(32768);
  Decoded result;
  try {
    legacyzip::Outcome outcome = legacyzip::Outcome::kBroken;
    if (method == 1) {
      outcome = legacyzip::Unshrink(in, out, window);
    } else if (method >= 2 && method <= 5) {
      outcome = legacyzip::Unreduce(in, out, window, method - 1, size);
    } else if (method == 6) {
      outcome = legacyzip::Explode(in, out, window, flags, size);
    }
    result.ok = outcome == legacyzip::Outcome::kOk;
  } catch (const MemorySink::Overflow&) {
    result.overflow = true;
  }
  result.bytes = std::move(out.bytes);
  result.count = out.count;
  return result;
}

}  // namespace kestro::testzip
