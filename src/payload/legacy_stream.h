#pragma once

// What the decoders of the old ZIP methods (shrunk, reduced, imploded) share:
// the entry's compressed bytes handed over a chunk at a time, a reader of
// the bit stream they make (least significant bit first), and a window that
// holds recent output and passes it on when full.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace kestro::legacyzip {

// The compressed bytes of one entry. Next returns the following chunk, or an
// empty span when the entry's data is used up; it may throw (a file that
// ends early), and the decoders let that pass.
class ChunkSource {
 public:
  virtual ~ChunkSource() = default;
  virtual std::span<const unsigned char> Next() = 0;
};

// Where decoded bytes go. Write may throw (more bytes than the entry
// declares, a full disk); the decoders let that pass.
class ChunkSink {
 public:
  virtual ~ChunkSink() = default;
  virtual void Write(const unsigned char* data, std::size_t size) = 0;
};

enum class Outcome {
  kOk,
  kBroken,  // the data does not decode: the entry fails
};

// Reads the bit stream across chunk boundaries. Bits come least significant
// first out of each byte. Past the end of the data there are no more bits:
// callers ask with Need and treat a false answer as data that ends early.
class BitReader {
 public:
  explicit BitReader(ChunkSource& source) : source_(source) {}

  // Whether at least `n` (at most 56) bits are there, reading more input if
  // needed.
  bool Need(unsigned n) {
    if (count_ < n) Refill();
    return count_ >= n;
  }

  // The buffered bits, the lowest first; only Available() of them count.
  std::uint64_t Peek() const { return bits_; }
  unsigned Available() const { return count_; }

  // Drops `n` bits; `n` must not exceed Available().
  void Drop(unsigned n) {
    bits_ >>= n;
    count_ -= n;
  }

  // Reads `n` (1 to 32) bits into `value`; false when the data ends first.
  bool Read(unsigned n, std::uint32_t& value) {
    if (!Need(n)) return false;
    value = static_cast<std::uint32_t>(bits_ & ((std::uint64_t{1} << n) - 1));
    Drop(n);
    return true;
  }

  // Reads bytes until at least 56 bits are buffered or the data ends.
  void Refill() {
    if constexpr (std::endian::native == std::endian::little) {
      if (end_ - next_ >= 8 && count_ < 56) {
        // A whole word at once; the bytes past those counted are read again
        // next time, to the same bits.
        std::uint64_t word;
        std::memcpy(&word, next_, 8);
        bits_ |= word << count_;
        const unsigned bytes = (63 - count_) >> 3;
        next_ += bytes;
        count_ += bytes * 8;
        return;
      }
    }
    while (count_ <= 56) {
      if (next_ == end_ && !NextChunk()) return;
      bits_ |= static_cast<std::uint64_t>(*next_++) << count_;
      count_ += 8;
    }
  }

 private:
  bool NextChunk() {
    if (ended_) return false;
    const std::span<const unsigned char> chunk = source_.Next();
    if (chunk.empty()) {
      ended_ = true;
      return false;
    }
    next_ = chunk.data();
    end_ = chunk.data() + chunk.size();
    return true;
  }

  ChunkSource& source_;
  const unsigned char* next_ = nullptr;
  const unsigned char* end_ = nullptr;
  std::uint64_t bits_ = 0;
  unsigned count_ = 0;
  bool ended_ = false;
};

// The output window: a ring of recent output (its size a power of two, at
// least twice the longest distance a method can reach back) that goes to the
// sink each time it fills. It starts out zero, so a reach back past the
// start of the output reads zeros, as the old methods want.
class OutputWindow {
 public:
  OutputWindow(std::span<unsigned char> buffer, ChunkSink& sink)
      : data_(buffer.data()), size_(buffer.size()), mask_(buffer.size() - 1), sink_(sink) {
    std::memset(data_, 0, size_);
  }

  // Everything passed on or waiting, counted from the start of the entry.
  std::uint64_t Total() const { return total_; }

  void Put(unsigned char byte) {
    data_[pos_++] = byte;
    ++total_;
    if (pos_ == size_) Wrap();
  }

  // Appends `length` bytes copied from `distance` (1 to half the window)
  // bytes back; the two may overlap.
  void Copy(std::size_t distance, std::size_t length) {
    total_ += length;
    std::size_t from = (pos_ - distance) & mask_;
    while (length > 0) {
      std::size_t run = length;
      if (run > size_ - pos_) run = size_ - pos_;
      if (run > size_ - from) run = size_ - from;
      if (distance >= run) {
        std::memcpy(data_ + pos_, data_ + from, run);
      } else {
        for (std::size_t i = 0; i < run; ++i) data_[pos_ + i] = data_[from + i];
      }
      pos_ += run;
      from = (from + run) & mask_;
      length -= run;
      if (pos_ == size_) Wrap();
    }
  }

  // Room for `length` (at most the window's size) bytes in one piece, for
  // callers that need no history: what waits is passed on first when the
  // rest of the window is too short. Commit says how much was written.
  unsigned char* Reserve(std::size_t length) {
    if (length > size_ - pos_) {
      Flush();
      pos_ = start_ = 0;
    }
    return data_ + pos_;
  }
  void Commit(std::size_t length) {
    pos_ += length;
    total_ += length;
    if (pos_ == size_) Wrap();
  }

  // Passes on everything that waits.
  void Flush() {
    if (pos_ > start_) sink_.Write(data_ + start_, pos_ - start_);
    start_ = pos_;
  }

 private:
  void Wrap() {
    Flush();
    pos_ = start_ = 0;
  }

  unsigned char* data_;
  std::size_t size_;
  std::size_t mask_;
  ChunkSink& sink_;
  std::size_t pos_ = 0;
  std::size_t start_ = 0;  // the first byte not yet passed on
  std::uint64_t total_ = 0;
};

// The decoders. `window` is the reader's output buffer (32 KiB, a power of
// two); `size` is the entry's declared uncompressed size.

// Method 1: dynamic LZW with 9- to 13-bit codes and partial clearing. The
// stream ends with the entry's compressed data.
Outcome Unshrink(ChunkSource& in, ChunkSink& out, std::span<unsigned char> window);

// Methods 2 to 5 (`factor` 1 to 4): follower sets over repeats of up to 4 KiB
// back. There is no end mark: decoding stops at the declared size.
Outcome Unreduce(ChunkSource& in, ChunkSink& out, std::span<unsigned char> window, int factor,
                 std::uint32_t size);

// Method 6: Shannon-Fano coded repeats in a 4 or 8 KiB dictionary (flag bit
// 1), literals coded by a third tree when flag bit 2 is set. Decoding stops
// at the declared size.
Outcome Explode(ChunkSource& in, ChunkSink& out, std::span<unsigned char> window, std::uint16_t flags,
                std::uint32_t size);

}  // namespace kestro::legacyzip
