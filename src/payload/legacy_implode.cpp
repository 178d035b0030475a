// Method 6, imploded: literals and repeats (a length, and a distance into a
// 4 or 8 KiB dictionary) coded with Shannon-Fano trees that the data carries
// in front, as the bit length of every value.

#include <algorithm>
#include <array>
#include <cstdint>
#include <numeric>
#include <vector>

#include "payload/legacy_stream.h"

namespace kestro::legacyzip {

namespace {

constexpr unsigned kMaxCodeBits = 16;
constexpr unsigned kPrimaryBits = 9;  // bits looked up at once; longer codes take a second look

// One Shannon-Fano tree, as a table indexed by the next bits of the stream.
class ShannonFanoTree {
 public:
  // Reads the tree: a byte holding the number of bytes that follow minus one,
  // each byte a run of values (high nibble: count - 1) of one bit length (low
  // nibble: length - 1), in value order. False when the data ends, the runs
  // do not give every one of `values` a length, or the lengths do not make a
  // tree (every sequence of bits must lead to exactly one value).
  bool Read(BitReader& bits, unsigned values) {
    std::uint32_t bytes = 0;
    if (!bits.Read(8, bytes)) return false;
    std::vector<unsigned char> lengths;
    lengths.reserve(values);
    for (std::uint32_t i = 0; i <= bytes; ++i) {
      std::uint32_t run = 0;
      if (!bits.Read(8, run)) return false;
      const unsigned count = (run >> 4) + 1;
      if (lengths.size() + count > values) return false;
      lengths.insert(lengths.end(), count, static_cast<unsigned char>((run & 0x0F) + 1));
    }
    if (lengths.size() != values) return false;
    return Build(lengths);
  }

  // The next value; false when the data ends inside its code.
  bool Decode(BitReader& bits, unsigned& value) const {
    bits.Need(kMaxCodeBits);
    const std::uint64_t peek = bits.Peek();
    Entry e = table_[peek & primaryMask_];
    if (e.subBits != 0) e = table_[e.value + ((peek >> primaryBits_) & ((1u << e.subBits) - 1))];
    if (e.length > bits.Available()) return false;
    bits.Drop(e.length);
    value = e.value;
    return true;
  }

 private:
  struct Entry {
    std::uint16_t value = 0;   // the value, or where the second table starts
    unsigned char length = 0;  // the code's length in bits
    unsigned char subBits = 0; // not 0: a second table indexed by this many further bits
  };

  bool Build(const std::vector<unsigned char>& lengths) {
    // A tree: the lengths fill the code space exactly.
    std::uint32_t space = 0;
    for (unsigned char l : lengths) space += 1u << (kMaxCodeBits - l);
    if (space != 1u << kMaxCodeBits) return false;

    // The codes: values sorted by length (stably) are numbered from the
    // longest code up, each step the size of the code space of its length.
    // Each code is its top `length` bits, sent highest first.
    const auto n = static_cast<unsigned>(lengths.size());
    std::vector<unsigned> order(n);
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](unsigned a, unsigned b) { return lengths[a] < lengths[b]; });
    std::vector<std::uint32_t> sent(n);  // the code as it comes, first bit lowest
    std::uint32_t code = 0;
    std::uint32_t step = 0;
    unsigned lastLength = 0;
    for (unsigned i = n; i-- > 0;) {
      const unsigned v = order[i];
      code += step;
      if (lengths[v] != lastLength) {
        lastLength = lengths[v];
        step = 1u << (kMaxCodeBits - lastLength);
      }
      std::uint32_t reversed = 0;
      for (unsigned b = 0; b < lengths[v]; ++b) reversed |= ((code >> (kMaxCodeBits - 1 - b)) & 1u) << b;
      sent[v] = reversed;
    }

    const unsigned longest = *std::max_element(lengths.begin(), lengths.end());
    primaryBits_ = std::min(longest, kPrimaryBits);
    primaryMask_ = (1u << primaryBits_) - 1;
    table_.assign(std::size_t{1} << primaryBits_, Entry{});
    // Codes longer than the first look share a second table per first-look
    // prefix, as wide as the longest of them needs.
    for (unsigned v = 0; v < n; ++v) {
      if (lengths[v] <= primaryBits_) continue;
      Entry& link = table_[sent[v] & primaryMask_];
      link.subBits = std::max<unsigned char>(link.subBits, static_cast<unsigned char>(lengths[v] - primaryBits_));
    }
    // At most 128 second tables (each holds two values or more) of 128:
    // the places fit in 16 bits.
    std::size_t end = table_.size();
    for (std::size_t prefix = 0; prefix <= primaryMask_; ++prefix) {
      Entry& link = table_[prefix];
      if (link.subBits == 0) continue;
      link.value = static_cast<std::uint16_t>(end);
      end += std::size_t{1} << link.subBits;
    }
    table_.resize(end);
    for (unsigned v = 0; v < n; ++v) {
      const Entry direct{static_cast<std::uint16_t>(v), lengths[v], 0};
      if (lengths[v] <= primaryBits_) {
        for (std::uint32_t k = sent[v]; k < (1u << primaryBits_); k += 1u << lengths[v]) table_[k] = direct;
      } else {
        const Entry link = table_[sent[v] & primaryMask_];
        for (std::uint32_t k = sent[v] >> primaryBits_; k < (1u << link.subBits); k += 1u << (lengths[v] - primaryBits_)) {
          table_[link.value + k] = direct;
        }
      }
    }
    return true;
  }

  std::vector<Entry> table_;
  unsigned primaryBits_ = 0;
  std::uint32_t primaryMask_ = 0;
};

}  // namespace

Outcome Explode(ChunkSource& in, ChunkSink& out, std::span<unsigned char> window, std::uint16_t flags,
                std::uint32_t size) {
  const bool bigDictionary = (flags & 0x0002) != 0;
  const bool literalTree = (flags & 0x0004) != 0;
  BitReader bits(in);
  ShannonFanoTree literals;
  ShannonFanoTree lengths;
  ShannonFanoTree distances;
  if (literalTree && !literals.Read(bits, 256)) return Outcome::kBroken;
  if (!lengths.Read(bits, 64) || !distances.Read(bits, 64)) return Outcome::kBroken;
  OutputWindow output(window, out);

  // Repeats are at least 3 bytes long with the literal tree, 2 without. The
  // distance's low 6 bits (7 with the 8 KiB dictionary) come uncoded.
  const unsigned minimum = literalTree ? 3 : 2;
  const unsigned lowBits = bigDictionary ? 7 : 6;
  while (output.Total() < size) {
    std::uint32_t literal = 0;
    if (!bits.Read(1, literal)) return Outcome::kBroken;
    if (literal != 0) {
      unsigned byte = 0;
      if (literalTree) {
        if (!literals.Decode(bits, byte)) return Outcome::kBroken;
      } else {
        std::uint32_t raw = 0;
        if (!bits.Read(8, raw)) return Outcome::kBroken;
        byte = raw;
      }
      output.Put(static_cast<unsigned char>(byte));
      continue;
    }
    std::uint32_t low = 0;
    unsigned high = 0;
    unsigned length = 0;
    if (!bits.Read(lowBits, low) || !distances.Decode(bits, high) || !lengths.Decode(bits, length)) {
      return Outcome::kBroken;
    }
    const std::size_t distance = ((std::size_t{high} << lowBits) | low) + 1;
    if (length == 63) {
      std::uint32_t more = 0;
      if (!bits.Read(8, more)) return Outcome::kBroken;
      length += more;
    }
    output.Copy(distance, length + minimum);
  }
  // A last repeat may reach past the declared size: the sink refuses that.
  output.Flush();
  return output.Total() == size ? Outcome::kOk : Outcome::kBroken;
}

}  // namespace kestro::legacyzip
