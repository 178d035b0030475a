#pragma once

// Test-only writers of the old ZIP methods, which no tool at hand makes:
// shrink (method 1), reduce (methods 2 to 5) and implode (method 6). Each
// turns bytes into the entry data those methods store.

#include <cstdint>
#include <string>
#include <string_view>

namespace kestro::testzip {

// Packs values into bytes, lowest bit first, as the old methods read them.
class BitWriter {
 public:
  void Put(std::uint32_t value, unsigned bits);
  // Pads the last byte with zeros and returns the bytes.
  std::string Finish();

 private:
  std::string out_;
  std::uint64_t pending_ = 0;
  unsigned count_ = 0;
};

// LZW of 9 to 13 bits, raising the code size when a code needs it and
// dropping the tree's leaves when the table is full.
std::string Shrink(std::string_view data);

// Repeats within 256 << factor bytes, then follower sets chosen per byte
// for the fewest bits. `factor` 1 to 4 is method 2 to 5.
std::string Reduce(std::string_view data, int factor);

// Repeats in a 4 KiB dictionary (8 KiB with flag bit 1), coded with trees
// built from the data; literals get a tree of their own with flag bit 2.
std::string Implode(std::string_view data, std::uint16_t flags);

// Every way the old methods store data: the method and the flag bits that
// change its decoding.
struct LegacyMethod {
  const char* name;
  std::uint16_t method;
  std::uint16_t flags;
};
inline constexpr LegacyMethod kLegacyMethods[] = {
    {"shrink", 1, 0},       {"reduce1", 2, 0},           {"reduce2", 3, 0},
    {"reduce3", 4, 0},      {"reduce4", 5, 0},           {"implode", 6, 0},
    {"implode8k", 6, 2},    {"implodeLiterals", 6, 4},   {"implode8kLiterals", 6, 6},
};

// `data` stored the way `how` says.
std::string Compress(const LegacyMethod& how, std::string_view data);

}  // namespace kestro::testzip
