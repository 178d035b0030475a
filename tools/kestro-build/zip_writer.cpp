#include "zip_writer.h"

#include <zlib.h>

#include <limits>

namespace kestro::builder {

namespace {

constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr std::uint32_t kEndSignature = 0x06054B50;
// Version 2.0 (Deflate), made on a VFAT host: names are kept in the ANSI code
// page as given and not taken for OEM text, and the external attributes are
// the file attributes of Windows.
constexpr std::uint16_t kVersionNeeded = 20;
constexpr std::uint16_t kVersionMadeBy = (14 << 8) | 20;
constexpr std::uint16_t kMethodDeflate = 8;
constexpr std::uint16_t kFlagMaximumCompression = 0x0002;
constexpr std::uint32_t kAttributeArchive = 0x20;
constexpr std::size_t kChunk = 64 * 1024;
constexpr std::uint64_t kMax32 = std::numeric_limits<std::uint32_t>::max();

void Put16(std::string& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

void Put32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// Frees the deflate state whatever happens.
class Deflater {
 public:
  Deflater() {
    if (deflateInit2(&z_, ZipWriter::kDeflateLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
      throw EBuildError("Cannot start the Deflate compressor");
    }
  }
  ~Deflater() { deflateEnd(&z_); }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  // Compresses `size` bytes (all input so far when `last`) onto `out`.
  void Feed(const char* data, std::size_t size, bool last, std::string& out) {
    z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    z_.avail_in = static_cast<uInt>(size);
    char buffer[kChunk];
    int status = Z_OK;
    do {
      z_.next_out = reinterpret_cast<Bytef*>(buffer);
      z_.avail_out = sizeof buffer;
      status = deflate(&z_, last ? Z_FINISH : Z_NO_FLUSH);
      if (status == Z_STREAM_ERROR) throw EBuildError("Deflate compressor failed");
      out.append(buffer, sizeof buffer - z_.avail_out);
    } while (z_.avail_out == 0 || (last && status != Z_STREAM_END));
  }

 private:
  z_stream z_{};
};

}  // namespace

std::uint32_t ToDosDateTime(int year, int month, int day, int hour, int minute, int second) {
  if (year < 1980) return kDosEpoch;
  if (year > 2107) return ToDosDateTime(2107, 12, 31, 23, 59, 59);
  return (static_cast<std::uint32_t>(year - 1980) << 25) | (static_cast<std::uint32_t>(month) << 21) |
         (static_cast<std::uint32_t>(day) << 16) | (static_cast<std::uint32_t>(hour) << 11) |
         (static_cast<std::uint32_t>(minute) << 5) | static_cast<std::uint32_t>(second / 2);
}

void ZipWriter::AddEntry(std::string_view name, std::uint32_t dosDateTime, std::string_view data) {
  std::size_t at = 0;
  AddEntry(name, dosDateTime, [&](char* buffer, std::size_t count) {
    const std::size_t n = std::min(count, data.size() - at);
    std::copy_n(data.data() + at, n, buffer);
    at += n;
    return n;
  });
}

void ZipWriter::AddEntry(std::string_view name, std::uint32_t dosDateTime, const ByteSource& source) {
  if (finished_) throw EBuildError("ZIP archive already finished");
  if (name.empty() || name.size() > 0xFFFF) throw EBuildError("Bad ZIP entry name \"" + std::string(name) + "\"");

  const std::uint64_t offset = archive_.size();
  if (entries_.size() >= 0xFFFF) throw EBuildError("Too many entries for a ZIP archive");
  // The local header first, its CRC and sizes filled in once the data is written after it.
  Put32(archive_, kLocalHeaderSignature);
  Put16(archive_, kVersionNeeded);
  Put16(archive_, kFlagMaximumCompression);
  Put16(archive_, kMethodDeflate);
  Put16(archive_, static_cast<std::uint16_t>(dosDateTime & 0xFFFF));
  Put16(archive_, static_cast<std::uint16_t>(dosDateTime >> 16));
  const std::size_t sizesAt = archive_.size();
  Put32(archive_, 0);  // CRC-32
  Put32(archive_, 0);  // compressed size
  Put32(archive_, 0);  // size
  Put16(archive_, static_cast<std::uint16_t>(name.size()));
  Put16(archive_, 0);  // no extra field
  archive_.append(name);

  const std::size_t dataStart = archive_.size();
  std::uint32_t crc = crc32(0L, Z_NULL, 0);
  std::uint64_t size = 0;
  try {
    Deflater deflater;
    std::string buffer(kChunk, '\0');
    while (true) {
      const std::size_t n = source(buffer.data(), buffer.size());
      size += n;
      if (size > kMax32) throw EBuildError("\"" + std::string(name) + "\" is too large for a ZIP archive");
      crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer.data()), static_cast<uInt>(n));
      deflater.Feed(buffer.data(), n, n == 0, archive_);
      if (n == 0) break;
    }
    if (archive_.size() > kMax32) throw EBuildError("ZIP archive too large");
  } catch (...) {
    archive_.resize(static_cast<std::size_t>(offset));  // the archive stays as it was before this entry
    throw;
  }

  CentralEntry entry{std::string(name), dosDateTime, crc, static_cast<std::uint32_t>(archive_.size() - dataStart),
                     static_cast<std::uint32_t>(size), static_cast<std::uint32_t>(offset)};
  std::string sizes;
  Put32(sizes, entry.crc);
  Put32(sizes, entry.compressedSize);
  Put32(sizes, entry.size);
  archive_.replace(sizesAt, sizes.size(), sizes);
  entries_.push_back(std::move(entry));
}

std::string ZipWriter::Finish() {
  if (finished_) throw EBuildError("ZIP archive already finished");
  finished_ = true;
  const std::uint64_t centralOffset = archive_.size();
  for (const CentralEntry& e : entries_) {
    Put32(archive_, kCentralHeaderSignature);
    Put16(archive_, kVersionMadeBy);
    Put16(archive_, kVersionNeeded);
    Put16(archive_, kFlagMaximumCompression);
    Put16(archive_, kMethodDeflate);
    Put16(archive_, static_cast<std::uint16_t>(e.dosDateTime & 0xFFFF));
    Put16(archive_, static_cast<std::uint16_t>(e.dosDateTime >> 16));
    Put32(archive_, e.crc);
    Put32(archive_, e.compressedSize);
    Put32(archive_, e.size);
    Put16(archive_, static_cast<std::uint16_t>(e.name.size()));
    Put16(archive_, 0);  // extra field
    Put16(archive_, 0);  // comment
    Put16(archive_, 0);  // disk number start
    Put16(archive_, 0);  // internal attributes
    Put32(archive_, kAttributeArchive);
    Put32(archive_, e.localHeaderOffset);
    archive_.append(e.name);
  }
  const std::uint64_t centralSize = archive_.size() - centralOffset;
  if (archive_.size() > kMax32) throw EBuildError("ZIP archive too large");
  Put32(archive_, kEndSignature);
  Put16(archive_, 0);  // this disk
  Put16(archive_, 0);  // disk of the central directory
  Put16(archive_, static_cast<std::uint16_t>(entries_.size()));
  Put16(archive_, static_cast<std::uint16_t>(entries_.size()));
  Put32(archive_, static_cast<std::uint32_t>(centralSize));
  Put32(archive_, static_cast<std::uint32_t>(centralOffset));
  Put16(archive_, 0);  // comment length
  return std::move(archive_);
}

}  // namespace kestro::builder
