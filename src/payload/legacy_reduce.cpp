// Methods 2 to 5, reduced with factors 1 to 4. Two layers: a byte stream
// coded against follower sets (for each byte, up to 32 bytes likely to come
// next, each then written as its index in a few bits), and in that byte
// stream repeats marked by the byte 144 (DLE), whose following bytes give a
// length and a distance of up to 512, 1024, 2048 or 4096 bytes.

#include <array>
#include <bit>
#include <cstdint>

#include "payload/legacy_stream.h"

namespace kestro::legacyzip {

namespace {

constexpr unsigned kDle = 144;
constexpr unsigned kMaxFollowers = 32;

// The byte layer: each byte is coded against the follower set of the byte
// before it (of the byte layer, not of the output).
class FollowerSets {
 public:
  // The sets come first in the data, from byte 255 down to byte 0: a 6-bit
  // count and that many bytes. False when the data ends or a count is over 32.
  bool Read(BitReader& bits) {
    for (unsigned j = 256; j-- > 0;) {
      std::uint32_t count = 0;
      if (!bits.Read(6, count) || count > kMaxFollowers) return false;
      count_[j] = static_cast<unsigned char>(count);
      // The index of one of N followers takes as many bits as N - 1 needs,
      // and at least one.
      indexBits_[j] = static_cast<unsigned char>(count > 1 ? std::bit_width(count - 1) : 1);
      for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t byte = 0;
        if (!bits.Read(8, byte)) return false;
        followers_[j][i] = static_cast<unsigned char>(byte);
      }
    }
    return true;
  }

  // The next byte after `last`; false when the data ends or the index points
  // past the set.
  bool Next(BitReader& bits, unsigned last, unsigned& byte) const {
    std::uint32_t value = 0;
    if (count_[last] != 0) {
      if (!bits.Read(1, value)) return false;
      if (value == 0) {
        if (!bits.Read(indexBits_[last], value) || value >= count_[last]) return false;
        byte = followers_[last][value];
        return true;
      }
    }
    if (!bits.Read(8, value)) return false;
    byte = value;
    return true;
  }

 private:
  std::array<std::array<unsigned char, kMaxFollowers>, 256> followers_{};
  std::array<unsigned char, 256> count_{};
  std::array<unsigned char, 256> indexBits_{};
};

}  // namespace

Outcome Unreduce(ChunkSource& in, ChunkSink& out, std::span<unsigned char> window, int factor,
                 std::uint32_t size) {
  if (factor < 1 || factor > 4) return Outcome::kBroken;
  BitReader bits(in);
  FollowerSets sets;
  if (!sets.Read(bits)) return Outcome::kBroken;
  OutputWindow output(window, out);

  // After DLE, a byte V: its low 8 - factor bits are the length (all ones:
  // a further byte adds to it), its high factor bits the distance's high
  // byte; the distance's low byte follows.
  const unsigned lengthBits = 8 - static_cast<unsigned>(factor);
  const unsigned lengthMask = (1u << lengthBits) - 1;
  enum class State { kPlain, kAfterDle, kMoreLength, kDistance } state = State::kPlain;
  unsigned last = 0;
  unsigned marker = 0;
  unsigned length = 0;
  while (output.Total() < size) {
    unsigned c = 0;
    if (!sets.Next(bits, last, c)) return Outcome::kBroken;
    last = c;
    switch (state) {
      case State::kPlain:
        if (c == kDle) {
          state = State::kAfterDle;
        } else {
          output.Put(static_cast<unsigned char>(c));
        }
        break;
      case State::kAfterDle:
        if (c == 0) {  // DLE itself
          output.Put(static_cast<unsigned char>(kDle));
          state = State::kPlain;
        } else {
          marker = c;
          length = c & lengthMask;
          state = length == lengthMask ? State::kMoreLength : State::kDistance;
        }
        break;
      case State::kMoreLength:
        length += c;
        state = State::kDistance;
        break;
      case State::kDistance:
        output.Copy(((marker >> lengthBits) << 8) + c + 1, length + 3);
        state = State::kPlain;
        break;
    }
  }
  // A last repeat may reach past the declared size: the sink refuses that.
  output.Flush();
  return output.Total() == size ? Outcome::kOk : Outcome::kBroken;
}

}  // namespace kestro::legacyzip
