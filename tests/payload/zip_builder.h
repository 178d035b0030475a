#pragma once

// A small ZIP writer for tests: stored and deflated entries (or data
// compressed beforehand), with every field open to overrides so that damaged
// archives can be made on purpose.

#include <zlib.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kestro::testzip {

inline std::uint32_t DosTime(int year, int month, int day, int hour, int minute, int second) {
  return (static_cast<std::uint32_t>(year - 1980) << 25) | (static_cast<std::uint32_t>(month) << 21) |
         (static_cast<std::uint32_t>(day) << 16) | (static_cast<std::uint32_t>(hour) << 11) |
         (static_cast<std::uint32_t>(minute) << 5) | static_cast<std::uint32_t>(second / 2);
}

inline std::string RawDeflate(const std::string& data, int level = 6) {
  z_stream zs{};
  if (deflateInit2(&zs, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2");
  }
  std::string out(deflateBound(&zs, static_cast<uLong>(data.size())), '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  zs.avail_in = static_cast<uInt>(data.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  if (rc != Z_STREAM_END) throw std::runtime_error("deflate");
  return out;
}

inline std::uint32_t Crc(const std::string& data) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

inline void Put16(std::string& s, std::size_t at, std::uint16_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>(v >> 8);
}

inline void Put32(std::string& s, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

inline void Append16(std::string& s, std::uint16_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>(v >> 8));
}

inline void Append32(std::string& s, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

struct Entry {
  std::string name{};
  std::string data{};
  // 0 stores and 8 deflates `data`; any other number stores it (or
  // `compressed`) under that method.
  std::uint16_t method = 8;
  int level = 6;  // zlib's compression level for method 8
  std::uint16_t flags = 0;
  std::uint32_t dosTime = DosTime(2021, 6, 15, 12, 30, 20);
  std::uint16_t versionMadeBy = 20;  // MS-DOS host
  std::uint32_t externalAttributes = 0x20;
  std::string extra{};
  // Overrides of what both headers declare.
  std::optional<std::uint32_t> crc{};
  std::optional<std::uint32_t> compressedSize{};
  std::optional<std::uint32_t> uncompressedSize{};
  // Flag bit 3: the local header holds zeros and a descriptor follows the data.
  bool dataDescriptor = false;
  // The entry's data as stored, already compressed by `method` (the old
  // methods: legacy_encoders.h); `data` is then what it decodes to.
  std::optional<std::string> compressed{};
};

struct Layout {
  std::vector<std::size_t> local;    // offset of each local header
  std::vector<std::size_t> central;  // offset of each central header
  std::size_t centralStart = 0;
  std::size_t end = 0;               // offset of the end record
};

inline std::string Build(const std::vector<Entry>& entries, const std::string& comment = std::string(),
                         Layout* layout = nullptr) {
  std::string zip;
  std::string central;
  Layout l;
  for (const Entry& e : entries) {
    const std::string payload = e.compressed ? *e.compressed : e.method == 8 ? RawDeflate(e.data, e.level) : e.data;
    const std::uint32_t crc = e.crc.value_or(Crc(e.data));
    const auto csize = e.compressedSize.value_or(static_cast<std::uint32_t>(payload.size()));
    const auto usize = e.uncompressedSize.value_or(static_cast<std::uint32_t>(e.data.size()));
    const std::uint16_t flags = static_cast<std::uint16_t>(e.flags | (e.dataDescriptor ? 0x0008 : 0));
    const std::size_t localOffset = zip.size();
    l.local.push_back(localOffset);

    Append32(zip, 0x04034B50);
    Append16(zip, 20);
    Append16(zip, flags);
    Append16(zip, e.method);
    Append32(zip, e.dosTime);
    Append32(zip, e.dataDescriptor ? 0 : crc);
    Append32(zip, e.dataDescriptor ? 0 : csize);
    Append32(zip, e.dataDescriptor ? 0 : usize);
    Append16(zip, static_cast<std::uint16_t>(e.name.size()));
    Append16(zip, static_cast<std::uint16_t>(e.extra.size()));
    zip += e.name;
    zip += e.extra;
    zip += payload;
    if (e.dataDescriptor) {
      Append32(zip, 0x08074B50);
      Append32(zip, crc);
      Append32(zip, csize);
      Append32(zip, usize);
    }

    std::string c;
    Append32(c, 0x02014B50);
    Append16(c, e.versionMadeBy);
    Append16(c, 20);
    Append16(c, flags);
    Append16(c, e.method);
    Append32(c, e.dosTime);
    Append32(c, crc);
    Append32(c, csize);
    Append32(c, usize);
    Append16(c, static_cast<std::uint16_t>(e.name.size()));
    Append16(c, static_cast<std::uint16_t>(e.extra.size()));
    Append16(c, 0);  // comment
    Append16(c, 0);  // disk start
    Append16(c, 0);  // internal attributes
    Append32(c, e.externalAttributes);
    Append32(c, static_cast<std::uint32_t>(localOffset));
    c += e.name;
    c += e.extra;
    l.central.push_back(central.size());
    central += c;
  }
  l.centralStart = zip.size();
  for (std::size_t& offset : l.central) offset += l.centralStart;
  zip += central;
  l.end = zip.size();
  Append32(zip, 0x06054B50);
  Append16(zip, 0);
  Append16(zip, 0);
  Append16(zip, static_cast<std::uint16_t>(entries.size()));
  Append16(zip, static_cast<std::uint16_t>(entries.size()));
  Append32(zip, static_cast<std::uint32_t>(central.size()));
  Append32(zip, static_cast<std::uint32_t>(l.centralStart));
  Append16(zip, static_cast<std::uint16_t>(comment.size()));
  zip += comment;
  if (layout != nullptr) *layout = l;
  return zip;
}

}  // namespace kestro::testzip
