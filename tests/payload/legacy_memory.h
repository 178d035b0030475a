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
// the declared size.
class MemorySink final : public legacyzip::ChunkSink {
 public:
  struct Overflow {};
  explicit MemorySink(std::size_t limit) : limit_(limit) {}
  void Write(const unsigned char* data, std::size_t size) override {
    if (bytes.size() + size > limit_) throw Overflow{};
    bytes.append(reinterpret_cast<const char*>(data), size);
  }
  std::string bytes;

 private:
  std::size_t limit_;
};

struct Decoded {
  bool ok = false;        // decoded without fault
  bool overflow = false;  // would have written past the declared size
  std::string bytes;
};

// Decodes `compressed` as ZIP method `method` (1 to 6) with the entry flags
// `flags` and declared size `size`, handing the input over `chunk` bytes at
// a time.
inline Decoded DecodeLegacy(std::uint16_t method, std::uint16_t flags, std::string_view compressed,
                            std::uint32_t size, std::size_t chunk = 32768) {
  MemorySource in(compressed, chunk);
  MemorySink out(size);
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
  return result;
}

}  // namespace kestro::testzip
