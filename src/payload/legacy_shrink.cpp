// Method 1, shrunk: LZW with codes of 9 to 13 bits. The compressor decides
// when the code size grows (code 256 followed by 1) and when the leaves of
// the string tree are dropped for reuse (256 followed by 2); new strings take
// the lowest free code.

#include <cstdint>
#include <vector>

#include "payload/legacy_stream.h"

namespace kestro::legacyzip {

namespace {

constexpr unsigned kMinCodeBits = 9;
constexpr unsigned kMaxCodeBits = 13;
constexpr unsigned kCodes = 1u << kMaxCodeBits;
constexpr unsigned kControl = 256;
constexpr unsigned kFirstFree = 257;
constexpr std::uint32_t kGrow = 1;
constexpr std::uint32_t kPartialClear = 2;

enum class Slot : std::uint8_t {
  kFree,
  kString,
  // Taken, but made on a prefix that a partial clear had just dropped: it
  // names no string, so a stream that uses it is broken. It still counts as
  // taken and as its prefix's child, so codes are handed out as the
  // compressor handed them out.
  kDangling,
};

// The string tree: each code is its prefix code plus one byte.
class StringTable {
 public:
  StringTable() : prefix_(kCodes, 0), suffix_(kCodes, 0), length_(kCodes, 0), slot_(kCodes, Slot::kFree) {
    for (unsigned c = 0; c < kControl; ++c) {
      suffix_[c] = static_cast<unsigned char>(c);
      length_[c] = 1;
      slot_[c] = Slot::kString;
    }
  }

  bool IsString(unsigned code) const { return slot_[code] == Slot::kString; }
  bool IsFree(unsigned code) const { return slot_[code] == Slot::kFree; }
  unsigned Length(unsigned code) const { return length_[code]; }
  // The code a new string takes next; kCodes when the table is full.
  unsigned NextFree() const { return nextFree_; }

  // Writes the string of `code` (Length(code) bytes) to `out`.
  void Spell(unsigned code, unsigned char* out) const {
    for (unsigned i = length_[code]; i > 1; --i) {
      out[i - 1] = suffix_[code];
      code = prefix_[code];
    }
    out[0] = static_cast<unsigned char>(code);
  }

  // Gives the next free code to `prefix` + `byte`; nothing when full.
  void Add(unsigned prefix, unsigned char byte) {
    if (nextFree_ >= kCodes) return;
    const unsigned code = nextFree_;
    prefix_[code] = static_cast<std::uint16_t>(prefix);
    suffix_[code] = byte;
    if (IsString(prefix)) {
      slot_[code] = Slot::kString;
      length_[code] = static_cast<std::uint16_t>(length_[prefix] + 1);
    } else {
      slot_[code] = Slot::kDangling;
    }
    FindFree(code + 1);
  }

  // Frees every code that no other code has as its prefix.
  void DropLeaves() {
    std::vector<bool> parent(kCodes, false);
    for (unsigned c = kFirstFree; c < kCodes; ++c) {
      if (slot_[c] != Slot::kFree) parent[prefix_[c]] = true;
    }
    for (unsigned c = kFirstFree; c < kCodes; ++c) {
      if (!parent[c]) slot_[c] = Slot::kFree;
    }
    FindFree(kFirstFree);
  }

 private:
  void FindFree(unsigned from) {
    nextFree_ = from;
    while (nextFree_ < kCodes && slot_[nextFree_] != Slot::kFree) ++nextFree_;
  }

  std::vector<std::uint16_t> prefix_;
  std::vector<unsigned char> suffix_;
  std::vector<std::uint16_t> length_;  // at most kCodes: a prefix is always shorter
  std::vector<Slot> slot_;
  unsigned nextFree_ = kFirstFree;
};

}  // namespace

Outcome Unshrink(ChunkSource& in, ChunkSink& out, std::span<unsigned char> window) {
  BitReader bits(in);
  OutputWindow output(window, out);
  StringTable table;
  unsigned codeBits = kMinCodeBits;
  unsigned previous = kCodes;  // none yet

  // The data ends where too few bits are left for a code: the last byte's
  // padding.
  while (bits.Need(codeBits)) {
    const auto code = static_cast<unsigned>(bits.Peek() & ((1u << codeBits) - 1));
    bits.Drop(codeBits);
    if (code == kControl) {
      std::uint32_t what = 0;
      if (!bits.Read(codeBits, what)) return Outcome::kBroken;
      if (what == kGrow && codeBits < kMaxCodeBits) {
        ++codeBits;
      } else if (what == kPartialClear) {
        table.DropLeaves();
      } else {
        return Outcome::kBroken;
      }
      continue;
    }

    unsigned length = 0;
    unsigned char* place = nullptr;
    if (table.IsString(code)) {
      length = table.Length(code);
      place = output.Reserve(length);
      table.Spell(code, place);
    } else if (code == table.NextFree() && previous < kCodes && table.IsString(previous)) {
      // The code the previous string and its own first byte are about to
      // get: used before the decoder could make it.
      length = table.Length(previous) + 1;
      place = output.Reserve(length);
      table.Spell(previous, place);
      place[length - 1] = place[0];
    } else {
      return Outcome::kBroken;  // a code not defined yet
    }
    const unsigned char first = place[0];
    output.Commit(length);
    if (previous < kCodes) table.Add(previous, first);
    previous = code;
  }
  output.Flush();
  return Outcome::kOk;
}

}  // namespace kestro::legacyzip
