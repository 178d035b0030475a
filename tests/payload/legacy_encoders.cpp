#include "payload/legacy_encoders.h"

#include <algorithm>
#include <array>
#include <bit>
#include <numeric>
#include <queue>
#include <stdexcept>
#include <vector>

namespace kestro::testzip {

void BitWriter::Put(std::uint32_t value, unsigned bits) {
  pending_ |= static_cast<std::uint64_t>(value & ((std::uint64_t{1} << bits) - 1)) << count_;
  count_ += bits;
  while (count_ >= 8) {
    out_.push_back(static_cast<char>(pending_ & 0xFF));
    pending_ >>= 8;
    count_ -= 8;
  }
}

std::string BitWriter::Finish() {
  if (count_ > 0) out_.push_back(static_cast<char>(pending_ & 0xFF));
  pending_ = 0;
  count_ = 0;
  return std::move(out_);
}

namespace {

// ---------------------------------------------------------------------------
// Repeats, for reduce and implode: greedy matches over hash chains. The data
// is searched behind `window` zero bytes, which both methods read before the
// start of the output, so a file that starts with zeros repeats them.

struct Token {
  std::uint32_t length = 0;  // 0: a literal
  std::uint32_t distance = 0;
  unsigned char literal = 0;
};

template <typename Accept>
std::vector<Token> FindRepeats(std::string_view data, std::size_t window, unsigned minimum, unsigned maximum,
                               Accept accept) {
  std::string buffer(window, '\0');
  buffer.append(data);
  constexpr unsigned kHashBits = 14;
  constexpr int kChain = 48;
  std::vector<std::int32_t> head(std::size_t{1} << kHashBits, -1);
  std::vector<std::int32_t> previous(window, -1);
  const auto size = static_cast<std::int64_t>(buffer.size());
  auto hash = [&](std::int64_t p) {
    std::uint32_t h = 0;
    for (unsigned k = 0; k < minimum; ++k) h = h * 2654435761u + static_cast<unsigned char>(buffer[p + k]);
    return (h ^ (h >> 15)) & ((1u << kHashBits) - 1);
  };
  auto insert = [&](std::int64_t p) {
    if (p + minimum > size) return;
    const std::uint32_t h = hash(p);
    previous[static_cast<std::size_t>(p) & (window - 1)] = head[h];
    head[h] = static_cast<std::int32_t>(p);
  };
  for (std::int64_t p = 0; p < static_cast<std::int64_t>(window); ++p) insert(p);

  std::vector<Token> tokens;
  std::int64_t pos = static_cast<std::int64_t>(window);
  while (pos < size) {
    std::uint32_t best = 0;
    std::uint32_t bestDistance = 0;
    if (pos + minimum <= size) {
      const std::int64_t limit = std::min<std::int64_t>(maximum, size - pos);
      std::int64_t candidate = head[hash(pos)];
      for (int chain = 0; candidate >= 0 && pos - candidate <= static_cast<std::int64_t>(window) && chain < kChain;
           ++chain) {
        std::int64_t length = 0;
        while (length < limit && buffer[candidate + length] == buffer[pos + length]) ++length;
        const auto distance = static_cast<std::uint32_t>(pos - candidate);
        if (length > best && length >= minimum && accept(static_cast<std::uint32_t>(length), distance)) {
          best = static_cast<std::uint32_t>(length);
          bestDistance = distance;
          if (length == limit) break;
        }
        const std::int64_t next = previous[static_cast<std::size_t>(candidate) & (window - 1)];
        if (next >= candidate) break;  // that slot was taken by a newer position
        candidate = next;
      }
    }
    if (best > 0) {
      tokens.push_back({best, bestDistance, 0});
      for (std::uint32_t k = 0; k < best; ++k) insert(pos + k);
      pos += best;
    } else {
      tokens.push_back({0, 0, static_cast<unsigned char>(buffer[pos])});
      insert(pos);
      ++pos;
    }
  }
  return tokens;
}

// ---------------------------------------------------------------------------
// Shrink. The encoder keeps the decoder's table: a string's code is given
// when the decoder makes it (on reading the next code), at the lowest free
// code. When the table is full it drops the leaves, right after a code that
// is no leaf itself (the decoder makes its next string on that code).

constexpr unsigned kCodes = 8192;
constexpr unsigned kFirstFree = 257;

class ShrinkTable {
 public:
  ShrinkTable() : prefix_(kCodes, 0), suffix_(kCodes, 0), used_(kCodes, false), children_(kCodes, 0) {
    for (unsigned c = 0; c < 256; ++c) used_[c] = true;
    Rehash();
  }

  unsigned NextFree() const { return nextFree_; }
  unsigned Prefix(unsigned code) const { return prefix_[code]; }
  bool IsLeaf(unsigned code) const { return code >= kFirstFree && children_[code] == 0; }

  // The code of `code` + `byte`, or kCodes.
  unsigned Find(unsigned code, unsigned char byte) const {
    const std::uint32_t key = Key(code, byte);
    for (std::uint32_t at = Slot(key);; at = (at + 1) & (kSlots - 1)) {
      if (keys_[at] == kEmpty) return kCodes;
      if (keys_[at] == key) return values_[at];
    }
  }

  void Add(unsigned code, unsigned char byte) {
    const unsigned made = nextFree_;
    prefix_[made] = static_cast<std::uint16_t>(code);
    suffix_[made] = byte;
    used_[made] = true;
    ++children_[code];
    Remember(made);
    FindFree(made + 1);
  }

  void DropLeaves() {
    for (unsigned c = kFirstFree; c < kCodes; ++c) {
      if (used_[c] && children_[c] == 0) used_[c] = false;
    }
    std::fill(children_.begin(), children_.end(), 0);
    for (unsigned c = kFirstFree; c < kCodes; ++c) {
      if (used_[c]) ++children_[prefix_[c]];
    }
    Rehash();
    FindFree(kFirstFree);
  }

 private:
  static constexpr std::uint32_t kSlots = 16384;
  static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
  static std::uint32_t Key(unsigned code, unsigned char byte) { return (code << 8) | byte; }
  static std::uint32_t Slot(std::uint32_t key) { return (key * 2654435761u) >> 18; }

  void Remember(unsigned code) {
    const std::uint32_t key = Key(prefix_[code], suffix_[code]);
    std::uint32_t at = Slot(key);
    while (keys_[at] != kEmpty) {
      if (keys_[at] == key) return;  // the same string twice: the first code serves
      at = (at + 1) & (kSlots - 1);
    }
    keys_[at] = key;
    values_[at] = static_cast<std::uint16_t>(code);
  }

  void Rehash() {
    keys_.assign(kSlots, kEmpty);
    values_.assign(kSlots, 0);
    for (unsigned c = kFirstFree; c < kCodes; ++c) {
      if (used_[c]) Remember(c);
    }
  }

  void FindFree(unsigned from) {
    nextFree_ = from;
    while (nextFree_ < kCodes && used_[nextFree_]) ++nextFree_;
  }

  std::vector<std::uint16_t> prefix_;
  std::vector<unsigned char> suffix_;
  std::vector<bool> used_;
  std::vector<std::uint16_t> children_;
  std::vector<std::uint32_t> keys_;
  std::vector<std::uint16_t> values_;
  unsigned nextFree_ = kFirstFree;
};

// ---------------------------------------------------------------------------
// Code lengths of at most `limit` bits for every symbol (each weight at least
// one): Huffman's, with the weights halved until the longest code fits.
std::vector<unsigned> CodeLengths(std::vector<std::uint64_t> weights, unsigned limit) {
  const std::size_t n = weights.size();
  while (true) {
    using Item = std::pair<std::uint64_t, std::size_t>;
    std::priority_queue<Item, std::vector<Item>, std::greater<>> queue;
    std::vector<std::size_t> parent(2 * n, 0);
    for (std::size_t i = 0; i < n; ++i) queue.push({weights[i], i});
    std::size_t next = n;
    while (queue.size() > 1) {
      const Item a = queue.top();
      queue.pop();
      const Item b = queue.top();
      queue.pop();
      parent[a.second] = parent[b.second] = next;
      queue.push({a.first + b.first, next++});
    }
    const std::size_t root = next - 1;
    std::vector<unsigned> lengths(n, 0);
    unsigned longest = 0;
    for (std::size_t i = 0; i < n; ++i) {
      for (std::size_t at = i; at != root; at = parent[at]) ++lengths[i];
      longest = std::max(longest, lengths[i]);
    }
    if (longest <= limit) return lengths;
    for (auto& w : weights) w = (w + 1) / 2;
  }
}

// The codes of an imploded tree from its lengths: values sorted by length
// numbered from the longest up. Returned left-aligned in 16 bits.
std::vector<std::uint32_t> ShannonFanoCodes(const std::vector<unsigned>& lengths) {
  std::vector<unsigned> order(lengths.size());
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(), [&](unsigned a, unsigned b) { return lengths[a] < lengths[b]; });
  std::vector<std::uint32_t> codes(lengths.size());
  std::uint32_t code = 0;
  std::uint32_t step = 0;
  unsigned last = 0;
  for (std::size_t i = order.size(); i-- > 0;) {
    code += step;
    if (lengths[order[i]] != last) {
      last = lengths[order[i]];
      step = 1u << (16 - last);
    }
    codes[order[i]] = code;
  }
  return codes;
}

class ImplodeTree {
 public:
  explicit ImplodeTree(const std::vector<std::uint64_t>& counts) {
    std::vector<std::uint64_t> weights(counts.size());
    for (std::size_t i = 0; i < counts.size(); ++i) weights[i] = counts[i] * 4 + 1;
    lengths_ = CodeLengths(weights, 16);
    codes_ = ShannonFanoCodes(lengths_);
  }

  // Runs of equal lengths in value order, at most 16 to a byte, after a byte
  // that counts the bytes less one.
  void WriteTree(BitWriter& out) const {
    std::vector<unsigned> runs;
    for (std::size_t i = 0; i < lengths_.size();) {
      std::size_t j = i;
      while (j < lengths_.size() && j - i < 16 && lengths_[j] == lengths_[i]) ++j;
      runs.push_back(static_cast<unsigned>(((j - i - 1) << 4) | (lengths_[i] - 1)));
      i = j;
    }
    out.Put(static_cast<std::uint32_t>(runs.size() - 1), 8);
    for (unsigned r : runs) out.Put(r, 8);
  }

  // A code goes out from its highest bit.
  void Write(BitWriter& out, unsigned value) const {
    for (unsigned b = 0; b < lengths_[value]; ++b) out.Put((codes_[value] >> (15 - b)) & 1u, 1);
  }

 private:
  std::vector<unsigned> lengths_;
  std::vector<std::uint32_t> codes_;
};

}  // namespace

std::string Shrink(std::string_view data) {
  BitWriter out;
  if (data.empty()) return out.Finish();
  ShrinkTable table;
  unsigned codeBits = 9;
  auto emit = [&](unsigned code) {
    while (code >= (1u << codeBits)) {
      out.Put(256, codeBits);
      out.Put(1, codeBits);
      ++codeBits;
    }
    out.Put(code, codeBits);
  };
  std::size_t i = 0;
  while (i < data.size()) {
    unsigned code = static_cast<unsigned char>(data[i]);
    std::size_t end = i + 1;
    while (end < data.size()) {
      const unsigned longer = table.Find(code, static_cast<unsigned char>(data[end]));
      if (longer == kCodes) break;
      code = longer;
      ++end;
    }
    const bool full = table.NextFree() >= kCodes;
    if (full && table.IsLeaf(code)) {
      // The leaves go after this code, and the next string hangs on it.
      code = table.Prefix(code);
      --end;
    }
    emit(code);
    i = end;
    if (full) {
      out.Put(256, codeBits);
      out.Put(2, codeBits);
      table.DropLeaves();
    }
    if (i < data.size()) table.Add(code, static_cast<unsigned char>(data[i]));
  }
  return out.Finish();
}

std::string Reduce(std::string_view data, int factor) {
  if (factor < 1 || factor > 4) throw std::invalid_argument("reduce factor");
  constexpr unsigned kDle = 144;
  const unsigned lengthBits = 8 - static_cast<unsigned>(factor);
  const unsigned lengthMask = (1u << lengthBits) - 1;
  // Byte 0 after DLE stands for DLE itself: the shortest repeat close by
  // cannot be written.
  const std::vector<Token> tokens = FindRepeats(
      data, std::size_t{256} << factor, 3, lengthMask + 255 + 3,
      [](std::uint32_t length, std::uint32_t distance) { return length > 3 || distance > 256; });

  std::vector<unsigned char> bytes;
  for (const Token& t : tokens) {
    if (t.length == 0) {
      bytes.push_back(t.literal);
      if (t.literal == kDle) bytes.push_back(0);
      continue;
    }
    const unsigned far = (t.distance - 1) >> 8;
    const unsigned length = std::min(t.length - 3, lengthMask);
    bytes.push_back(static_cast<unsigned char>(kDle));
    bytes.push_back(static_cast<unsigned char>((far << lengthBits) | length));
    if (length == lengthMask) bytes.push_back(static_cast<unsigned char>(t.length - 3 - lengthMask));
    bytes.push_back(static_cast<unsigned char>((t.distance - 1) & 0xFF));
  }

  // Per byte, the followers worth a set: the most frequent, as many as cost
  // the fewest bits.
  std::vector<std::uint16_t> pairs;  // (byte before) << 8 | byte
  pairs.reserve(bytes.size());
  unsigned last = 0;
  for (unsigned char b : bytes) {
    pairs.push_back(static_cast<std::uint16_t>((last << 8) | b));
    last = b;
  }
  std::sort(pairs.begin(), pairs.end());
  std::vector<std::vector<std::pair<std::uint64_t, unsigned>>> seen(256);  // (count, byte) per byte before
  for (std::size_t i = 0; i < pairs.size();) {
    std::size_t j = i;
    while (j < pairs.size() && pairs[j] == pairs[i]) ++j;
    seen[pairs[i] >> 8].push_back({j - i, pairs[i] & 0xFFu});
    i = j;
  }
  auto indexBits = [](std::size_t n) { return n > 1 ? static_cast<unsigned>(std::bit_width(n - 1)) : 1u; };
  std::vector<std::vector<unsigned char>> sets(256);
  for (unsigned j = 0; j < 256; ++j) {
    auto& followers = seen[j];
    std::stable_sort(followers.begin(), followers.end(), [](const auto& x, const auto& y) { return x.first > y.first; });
    std::uint64_t total = 0;
    for (const auto& [count, b] : followers) total += count;
    std::uint64_t bestCost = total * 8;
    std::size_t bestSize = 0;
    std::uint64_t inSet = 0;
    for (std::size_t k = 1; k <= std::min<std::size_t>(32, followers.size()); ++k) {
      inSet += followers[k - 1].first;
      const std::uint64_t cost = 8 * k + inSet * (1 + indexBits(k)) + (total - inSet) * 9;
      if (cost < bestCost) {
        bestCost = cost;
        bestSize = k;
      }
    }
    for (std::size_t k = 0; k < bestSize; ++k) sets[j].push_back(static_cast<unsigned char>(followers[k].second));
  }

  BitWriter out;
  for (unsigned j = 256; j-- > 0;) {
    out.Put(static_cast<std::uint32_t>(sets[j].size()), 6);
    for (unsigned char b : sets[j]) out.Put(b, 8);
  }
  last = 0;
  for (unsigned char b : bytes) {
    const auto& set = sets[last];
    const auto at = std::find(set.begin(), set.end(), b);
    if (set.empty()) {
      out.Put(b, 8);
    } else if (at != set.end()) {
      out.Put(0, 1);
      out.Put(static_cast<std::uint32_t>(at - set.begin()), indexBits(set.size()));
    } else {
      out.Put(1, 1);
      out.Put(b, 8);
    }
    last = b;
  }
  return out.Finish();
}

std::string Implode(std::string_view data, std::uint16_t flags) {
  const bool bigDictionary = (flags & 0x0002) != 0;
  const bool literalTree = (flags & 0x0004) != 0;
  const unsigned minimum = literalTree ? 3 : 2;
  const unsigned lowBits = bigDictionary ? 7 : 6;
  const std::vector<Token> tokens =
      FindRepeats(data, bigDictionary ? 8192 : 4096, minimum, minimum + 63 + 255,
                  [](std::uint32_t, std::uint32_t) { return true; });

  std::vector<std::uint64_t> literalCounts(256, 0);
  std::vector<std::uint64_t> lengthCounts(64, 0);
  std::vector<std::uint64_t> distanceCounts(64, 0);
  for (const Token& t : tokens) {
    if (t.length == 0) {
      ++literalCounts[t.literal];
    } else {
      ++lengthCounts[std::min(t.length - minimum, 63u)];
      ++distanceCounts[(t.distance - 1) >> lowBits];
    }
  }
  const ImplodeTree literals(literalCounts);
  const ImplodeTree lengths(lengthCounts);
  const ImplodeTree distances(distanceCounts);

  BitWriter out;
  if (literalTree) literals.WriteTree(out);
  lengths.WriteTree(out);
  distances.WriteTree(out);
  for (const Token& t : tokens) {
    if (t.length == 0) {
      out.Put(1, 1);
      if (literalTree) {
        literals.Write(out, t.literal);
      } else {
        out.Put(t.literal, 8);
      }
      continue;
    }
    out.Put(0, 1);
    out.Put((t.distance - 1) & ((1u << lowBits) - 1), lowBits);
    distances.Write(out, (t.distance - 1) >> lowBits);
    const unsigned length = t.length - minimum;
    lengths.Write(out, std::min(length, 63u));
    if (length >= 63) out.Put(length - 63, 8);
  }
  return out.Finish();
}

std::string Compress(const LegacyMethod& how, std::string_view data) {
  switch (how.method) {
    case 1:
      return Shrink(data);
    case 2:
    case 3:
    case 4:
    case 5:
      return Reduce(data, how.method - 1);
    case 6:
      return Implode(data, how.flags);
    default:
      throw std::invalid_argument("not an old ZIP method");
  }
}

}  // namespace kestro::testzip
