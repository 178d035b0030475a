#include "payload/zip_reader.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <map>
#include <span>
#include <string_view>

#include "common/ansi.h"
#include "common/paths.h"
#include "payload/legacy_stream.h"
#include "platform/api/files.h"
#include "platform/api/system.h"

namespace kestro {

namespace {

// Record signatures and fixed sizes of the PKWARE format.
constexpr std::uint32_t kEndSignature = 0x06054B50;
constexpr std::uint32_t kCentralSignature = 0x02014B50;
constexpr std::uint32_t kLocalSignature = 0x04034B50;
constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kDataDescriptorSize = 16;
constexpr std::uint64_t kMaxArchiveComment = 65535;

constexpr std::size_t kReadBufferSize = 8192;
constexpr std::size_t kInputChunk = 32768;
constexpr std::size_t kOutputWindow = 32 * 1024;
// Self-extracting archives carry a program in front of the data; its code
// would only give false matches to the recovery scan.
constexpr std::uint64_t kExeStubSize = 14000;
// The format counts entries in 16 bits; a recovery scan never makes more.
constexpr std::size_t kMaxEntries = 65535;

// The attribute bits of the DOS file system; the high 16 bits of the
// external attributes hold Unix modes in archives made on Unix.
constexpr std::uint32_t kDosAttributeMask =
    platform::kAttrReadOnly | platform::kAttrHidden | platform::kAttrSystem | platform::kAttrArchive;

constexpr char kIncompleteZip[] = "Incomplete Zip File";
constexpr char kNotAZip[] = "Not a valid zip file!";
constexpr char kPrematureEnd[] = "Premature end of file reached";
constexpr char kBiggerThanUncompressed[] = "File is larger than uncompressed size!";
constexpr char kCantWrite[] = "Cant write uncompressed file";

std::uint16_t Get16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Get32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Code page 437 (the MS-DOS code page) to Windows-1252, upper half. Line and
// block drawing characters, which no file name needs, become '_'; Greek and
// mathematical signs become the nearest Latin letter or '_'. None of the
// results is a control character, a separator or a colon.
constexpr std::array<unsigned char, 128> kOemToAnsi = {
    0xC7, 0xFC, 0xE9, 0xE2, 0xE4, 0xE0, 0xE5, 0xE7, 0xEA, 0xEB, 0xE8, 0xEF, 0xEE, 0xEC, 0xC4, 0xC5,  // 0x80
    0xC9, 0xE6, 0xC6, 0xF4, 0xF6, 0xF2, 0xFB, 0xF9, 0xFF, 0xD6, 0xDC, 0xA2, 0xA3, 0xA5, 'P',  0x83,  // 0x90
    0xE1, 0xED, 0xF3, 0xFA, 0xF1, 0xD1, 0xAA, 0xBA, 0xBF, '_',  0xAC, 0xBD, 0xBC, 0xA1, 0xAB, 0xBB,  // 0xA0
    '_',  '_',  '_',  '_',  '_',  '_',  '_',  '_',  '_',  '_',  '_',  '_',  '_',  '_',  '_',  '_',   // 0xB0
    '_',  '_',  '_',  '_',  '_',  '_',  '_',  '_',  '_',  '_',  '_',  '_',  '_',  '_',  '_',  '_',   // 0xC0
    '_',  '_',  '_',  '_',  '_',  '_',  '_',  '_',  '_',  '_',  '_',  '_',  '_',  '_',  '_',  '_',   // 0xD0
    'a',  0xDF, 'G',  'p',  'S',  's',  0xB5, 't',  'F',  'T',  'O',  'd',  '8',  'f',  'e',  'n',   // 0xE0
    '=',  0xB1, '_',  '_',  '_',  '_',  0xF7, '~',  0xB0, 0xB7, 0xB7, 'v',  'n',  0xB2, '_',  0xA0,  // 0xF0
};

void OemToAnsi(std::string& text) {
  for (char& c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x80) c = static_cast<char>(kOemToAnsi[u - 0x80]);
  }
}

// Turns the name as stored into the entry's Path and FileName.
void SetEntryName(TZipHeaderInfo& entry, std::string name, bool oemConvert) {
  std::replace(name.begin(), name.end(), '/', '\\');
  if (entry.HostSystem() == 0 && oemConvert) OemToAnsi(name);
  const std::size_t slash = name.rfind('\\');
  if (slash == std::string::npos) {
    entry.Path.clear();
    entry.FileName = std::move(name);
  } else {
    entry.Path = name.substr(0, slash + 1);
    entry.FileName = name.substr(slash + 1);
  }
}

// The archive file read through a small buffer. Reads past the end come back
// short; positions are never trusted to lie inside the file.
class ArchiveReader {
 public:
  explicit ArchiveReader(std::unique_ptr<platform::FileStream> file)
      : file_(std::move(file)), buffer_(kReadBufferSize), size_(file_->Size()) {}

  std::uint64_t Size() const { return size_; }
  std::uint64_t Tell() const { return pos_; }
  void Seek(std::uint64_t position) { pos_ = position; }

  std::size_t Read(void* destination, std::size_t count) {
    auto* out = static_cast<unsigned char*>(destination);
    std::size_t done = 0;
    while (done < count && pos_ < size_) {
      if (pos_ >= bufferStart_ && pos_ < bufferStart_ + bufferLength_) {
        const auto offset = static_cast<std::size_t>(pos_ - bufferStart_);
        const std::size_t take = std::min(count - done, bufferLength_ - offset);
        std::memcpy(out + done, buffer_.data() + offset, take);
        done += take;
        pos_ += take;
        continue;
      }
      if (!file_->Seek(pos_)) break;
      if (count - done >= buffer_.size()) {
        // Large reads (data chunks) bypass the buffer.
        const std::size_t got = file_->Read(out + done, count - done);
        done += got;
        pos_ += got;
        break;
      }
      bufferStart_ = pos_;
      bufferLength_ = file_->Read(buffer_.data(), buffer_.size());
      if (bufferLength_ == 0) break;
    }
    return done;
  }

  // Reads exactly `count` bytes at `position`; false when the file ends first.
  bool ReadAt(std::uint64_t position, void* destination, std::size_t count) {
    Seek(position);
    return Read(destination, count) == count;
  }

 private:
  std::unique_ptr<platform::FileStream> file_;
  std::vector<unsigned char> buffer_;
  std::uint64_t size_;
  std::uint64_t pos_ = 0;
  std::uint64_t bufferStart_ = 0;
  std::size_t bufferLength_ = 0;
};

class BusyCursor {
 public:
  BusyCursor() { platform::Sys().SetBusyCursor(true); }
  ~BusyCursor() { platform::Sys().SetBusyCursor(false); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

[[noreturn]] void RaiseNoEndRecord(TIncompleteZipMode mode) {
  switch (mode) {
    case TIncompleteZipMode::izAssumeNotAZip:
      throw ENotAZipFile(kNotAZip);
    case TIncompleteZipMode::izAssumeBad:
      throw EBadZipFile(kNotAZip);
    case TIncompleteZipMode::izAssumeMulti:
      break;
  }
  throw EIncompleteZip(kIncompleteZip);
}

// Finds and checks the end-of-central-directory record: the signature match
// nearest the end within the last 65,557 bytes.
std::optional<TEndCentral> FindEndRecord(ArchiveReader& archive) {
  const std::uint64_t size = archive.Size();
  if (size < kEndRecordSize) return std::nullopt;
  const auto span = static_cast<std::size_t>(std::min<std::uint64_t>(kMaxArchiveComment + kEndRecordSize, size));
  std::vector<unsigned char> tail(span);
  const std::uint64_t tailStart = size - span;
  if (!archive.ReadAt(tailStart, tail.data(), span)) return std::nullopt;

  for (std::size_t at = span - kEndRecordSize + 1; at-- > 0;) {
    const unsigned char* p = tail.data() + at;
    if (Get32(p) != kEndSignature) continue;
    TEndCentral end;
    end.ThisDisk = Get16(p + 4);
    end.CentralDisk = Get16(p + 6);
    end.EntriesThisDisk = Get16(p + 8);
    end.TotalEntries = Get16(p + 10);
    end.CentralSize = Get32(p + 12);
    end.CentralOffset = Get32(p + 16);
    end.CommentLength = Get16(p + 20);
    end.CommentPosition = tailStart + at + kEndRecordSize;
    if (end.ThisDisk > 999 || end.CentralDisk > 999 || end.ThisDisk < end.CentralDisk ||
        end.CentralOffset >= 0x80000000u) {
      return std::nullopt;
    }
    // Archives split over several disks are never made for this program:
    // their end record is taken as missing, so a part of such a set reads
    // as an incomplete archive instead of one whose data lies elsewhere.
    if (end.ThisDisk != 0 || end.CentralDisk != 0) return std::nullopt;
    return end;
  }
  return std::nullopt;
}

// Reads one central directory header at `position`; on success `next` is
// where the following header would start.
bool ReadCentralHeader(ArchiveReader& archive, std::uint64_t position, bool oemConvert,
                       TZipHeaderInfo& entry, std::uint64_t& next) {
  unsigned char h[kCentralHeaderSize];
  if (!archive.ReadAt(position, h, sizeof h) || Get32(h) != kCentralSignature) return false;
  TZipHeaderInfo e;
  e.VersionMadeBy = Get16(h + 4);
  e.VersionNeeded = Get16(h + 6);
  e.Flags = Get16(h + 8);
  e.CompressionMethod = Get16(h + 10);
  e.DateTime = SanitizeDosDateTime(Get32(h + 12));
  e.Crc32 = Get32(h + 16);
  e.CompressedSize = Get32(h + 20);
  e.UncompressedSize = Get32(h + 24);
  e.NameLength = Get16(h + 28);
  e.ExtraLength = Get16(h + 30);
  e.CommentLength = Get16(h + 32);
  e.DiskStart = Get16(h + 34);
  e.InternalAttributes = Get16(h + 36);
  e.ExternalAttributes = Get32(h + 38);
  e.LocalHeaderOffset = Get32(h + 42);
  e.CentralHeaderOffset = static_cast<std::uint32_t>(position);
  std::string name(e.NameLength, '\0');
  if (archive.Read(name.data(), name.size()) != name.size()) return false;
  SetEntryName(e, std::move(name), oemConvert);
  next = position + kCentralHeaderSize + e.NameLength + e.ExtraLength + e.CommentLength;
  entry = std::move(e);
  return true;
}

// Reads the central directory; false when a header is bad even after the
// extra-field retry.
bool ReadCentralDirectory(ArchiveReader& archive, const TEndCentral& end, bool oemConvert,
                          std::vector<TZipHeaderInfo>& entries) {
  // Every header takes at least 46 bytes: a count larger than the rest of
  // the file could hold reserves no more than that.
  const std::uint64_t room = archive.Size() > end.CentralOffset ? archive.Size() - end.CentralOffset : 0;
  entries.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(end.TotalEntries, room / kCentralHeaderSize)));
  std::uint64_t position = end.CentralOffset;
  for (std::size_t i = 0; i < end.TotalEntries; ++i) {
    TZipHeaderInfo entry;
    std::uint64_t next = 0;
    bool ok = ReadCentralHeader(archive, position, oemConvert, entry, next);
    if (!ok && !entries.empty() && entries.back().ExtraLength > 0) {
      // Some writers declare an extra field they never wrote: take it as
      // absent and look for the header where it would then start.
      const std::uint64_t retry = position - entries.back().ExtraLength;
      ok = ReadCentralHeader(archive, retry, oemConvert, entry, next);
      if (ok) entries.back().ExtraLength = 0;
    }
    if (!ok) return false;
    entries.push_back(std::move(entry));
    position = next;
  }
  return true;
}

// Finds the first local header signature at or after `from` whose
// version-needed high byte is below 10; one pass over the file.
std::optional<std::uint64_t> FindLocalHeader(ArchiveReader& archive, std::uint64_t from) {
  constexpr std::size_t kPattern = 6;  // "PK\3\4" and the version needed
  constexpr std::size_t kBlock = 64 * 1024;
  std::vector<unsigned char> block(kBlock);
  const std::uint64_t size = archive.Size();
  std::uint64_t start = from;
  while (start + kPattern <= size) {
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, size - start));
    if (!archive.ReadAt(start, block.data(), want)) return std::nullopt;
    for (std::size_t i = 0; i + kPattern <= want; ++i) {
      const unsigned char* p = block.data() + i;
      if (p[0] == 'P' && p[1] == 'K' && p[2] == 3 && p[3] == 4 && p[5] < 10) return start + i;
    }
    if (want < kBlock) break;
    start += want - (kPattern - 1);  // a match may straddle two blocks
  }
  return std::nullopt;
}

// Rebuilds the directory from the local headers when the central directory
// is damaged. False when no local header is found.
bool RecoveryScan(ArchiveReader& archive, bool exeArchive, bool oemConvert,
                  std::vector<TZipHeaderInfo>& entries) {
  entries.clear();
  const std::optional<std::uint64_t> first = FindLocalHeader(archive, exeArchive ? kExeStubSize : 0);
  if (!first) return false;
  std::uint64_t position = *first;
  while (entries.size() < kMaxEntries) {
    unsigned char h[kLocalHeaderSize];
    if (!archive.ReadAt(position, h, sizeof h) || Get32(h) != kLocalSignature) break;
    TZipHeaderInfo e;
    e.VersionNeeded = Get16(h + 4);
    e.Flags = Get16(h + 6);
    e.CompressionMethod = Get16(h + 8);
    e.DateTime = SanitizeDosDateTime(Get32(h + 10));
    e.Crc32 = Get32(h + 14);
    e.CompressedSize = Get32(h + 18);
    e.UncompressedSize = Get32(h + 22);
    e.NameLength = Get16(h + 26);
    e.ExtraLength = Get16(h + 28);
    e.LocalHeaderOffset = static_cast<std::uint32_t>(position);
    if (position > 0xFFFFFFFFu) break;  // beyond what a 32-bit offset can name
    std::string name(e.NameLength, '\0');
    if (archive.Read(name.data(), name.size()) != name.size()) break;
    SetEntryName(e, std::move(name), oemConvert);
    position += kLocalHeaderSize + std::uint64_t{e.NameLength} + e.ExtraLength + e.CompressedSize +
                (e.HasDataDescriptor() ? kDataDescriptorSize : 0);
    entries.push_back(std::move(e));
  }
  return !entries.empty();
}

// Why an entry's data did not decode; the entry is then not extracted.
enum class DecodeResult { kOk, kFailed };

}  // namespace

std::uint32_t ZipCrc32(std::uint32_t crc, const void* data, std::size_t size) {
  const auto* p = static_cast<const Bytef*>(data);
  uLong value = crc;
  while (size > 0) {
    const auto part = static_cast<uInt>(std::min<std::size_t>(size, 1u << 30));
    value = crc32(value, p, part);
    p += part;
    size -= part;
  }
  return static_cast<std::uint32_t>(value);
}

std::uint32_t SanitizeDosDateTime(std::uint32_t dos) {
  std::uint32_t seconds2 = dos & 0x1F;
  std::uint32_t minutes = (dos >> 5) & 0x3F;
  std::uint32_t hours = (dos >> 11) & 0x1F;
  std::uint32_t day = (dos >> 16) & 0x1F;
  std::uint32_t month = (dos >> 21) & 0x0F;
  std::uint32_t year = (dos >> 25) & 0x7F;
  seconds2 = std::min<std::uint32_t>(seconds2, 29);
  minutes = std::min<std::uint32_t>(minutes, 59);
  hours = std::min<std::uint32_t>(hours, 23);
  if (day == 0) day = 1;
  if (month == 0) month = 1;
  month = std::min<std::uint32_t>(month, 12);
  year = std::min<std::uint32_t>(year, 119);
  return seconds2 | (minutes << 5) | (hours << 11) | (day << 16) | (month << 21) | (year << 25);
}

// The open archive and the working state of one UnZip or ReadZip call.
class TVCLUnZip::Impl {
 public:
  std::unique_ptr<ArchiveReader> archive;
  // The archive's size when its directory was read: with the stamp, a
  // rewritten archive is noticed even where the file system's clock is coarse.
  std::uint64_t directorySize = 0;

  // Closes the archive when the call that opened it ends, however it ends.
  class CloseGuard {
   public:
    explicit CloseGuard(Impl& impl) : impl_(impl) {}
    ~CloseGuard() { impl_.archive.reset(); }
    CloseGuard(const CloseGuard&) = delete;
    CloseGuard& operator=(const CloseGuard&) = delete;

   private:
    Impl& impl_;
  };

  static void OpenAndReadDirectory(TVCLUnZip& zip);
  static void ReadDirectory(TVCLUnZip& zip);
  // The byte ranges of the archive that entries extracted so far were read
  // from (local header to the end of the data). A range that overlaps one of
  // them belongs to an entry made to reuse another's data, which no archiver
  // writes: a small archive could otherwise expand the same data many times.
  class CoveredSpans {
   public:
    // Takes [begin, end) when it overlaps no span taken before.
    bool Claim(std::uint64_t begin, std::uint64_t end) {
      auto next = spans_.upper_bound(begin);
      if (next != spans_.end() && next->first < end) return false;
      if (next != spans_.begin() && std::prev(next)->second > begin) return false;
      spans_.emplace_hint(next, begin, end);
      return true;
    }

   private:
    std::map<std::uint64_t, std::uint64_t> spans_;  // begin -> end, disjoint
  };

  static bool ExtractEntry(TVCLUnZip& zip, const TZipHeaderInfo& entry, CoveredSpans& covered,
                           std::vector<unsigned char>& input, std::vector<unsigned char>& output);
};

TVCLUnZip::TVCLUnZip() : impl_(std::make_unique<Impl>()) {}

TVCLUnZip::~TVCLUnZip() = default;

void TVCLUnZip::SetZipName(const std::string& name) {
  if (!SameText(name, zipName_)) {
    entries_.clear();
    endCentral_ = TEndCentral{};
    directoryStamp_.reset();
    directoryRead_ = false;
  }
  zipName_ = name;
}

void TVCLUnZip::SetDestDir(const std::string& folder) {
  destDir_ = folder;
  // A lone separator names the root and stays.
  if (destDir_.size() > 1 && (destDir_.back() == '\\' || destDir_.back() == '/')) destDir_.pop_back();
}

void TVCLUnZip::Impl::OpenAndReadDirectory(TVCLUnZip& zip) {
  auto file = platform::Files().Open(zip.zipName_, platform::OpenMode::kReadDenyWrite);
  if (!file) throw EFOpenError("Cannot open file \"" + zip.zipName_ + "\"");
  Impl& impl = *zip.impl_;
  impl.archive = std::make_unique<ArchiveReader>(std::move(file));
  const std::optional<std::int64_t> stamp = platform::Files().ModificationStamp(zip.zipName_);
  if (zip.directoryRead_ && stamp && zip.directoryStamp_ == stamp &&
      impl.directorySize == impl.archive->Size()) {
    return;
  }
  zip.entries_.clear();
  zip.endCentral_ = TEndCentral{};
  zip.directoryRead_ = false;
  zip.directoryStamp_.reset();
  ReadDirectory(zip);
  zip.directoryRead_ = true;
  zip.directoryStamp_ = stamp;
  impl.directorySize = impl.archive->Size();
}

void TVCLUnZip::Impl::ReadDirectory(TVCLUnZip& zip) {
  BusyCursor busy;
  ArchiveReader& archive = *zip.impl_->archive;
  if (archive.Size() == 0) return;  // an empty file is an archive without entries

  const std::optional<TEndCentral> end = FindEndRecord(archive);
  if (!end) RaiseNoEndRecord(zip.IncompleteZipMode);
  zip.endCentral_ = *end;
  if (end->TotalEntries == 0) return;

  if (ReadCentralDirectory(archive, *end, zip.OEMConvert, zip.entries_)) return;
  const bool exeArchive = AnsiUpperCase(ExtractFileExt(zip.zipName_)) == ".EXE";
  if (RecoveryScan(archive, exeArchive, zip.OEMConvert, zip.entries_)) return;
  zip.entries_.clear();
  zip.entries_.shrink_to_fit();
  throw EBadZipFile(kNotAZip);
}

void TVCLUnZip::ReadZip() {
  Impl::CloseGuard close(*impl_);
  Impl::OpenAndReadDirectory(*this);
}

int TVCLUnZip::UnZip() {
  Impl::CloseGuard close(*impl_);
  Impl::OpenAndReadDirectory(*this);
  if (!DoAll) return 0;  // nothing else selects entries

  if (!destDir_.empty() && !platform::Files().DirectoryExists(destDir_)) {
    platform::Files().CreateDirectories(destDir_);
  }
  std::vector<unsigned char> input(kInputChunk);
  std::vector<unsigned char> output(kOutputWindow);
  int extracted = 0;
  Impl::CoveredSpans covered;
  // By index and by copy: message handlers run between chunks.
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const TZipHeaderInfo entry = entries_[i];
    if (Impl::ExtractEntry(*this, entry, covered, input, output)) ++extracted;
  }
  return extracted;
}

namespace {

// Writes decoded bytes to the output file, checking them against the
// declared size and feeding the running CRC.
class OutputSink final : public legacyzip::ChunkSink {
 public:
  OutputSink(platform::FileStream& file, std::uint32_t declaredSize) : file_(file), declared_(declaredSize) {}

  void Write(const unsigned char* data, std::size_t size) override {
    if (size == 0) return;
    if (written_ + size > declared_) throw EBiggerThanUncompressed(kBiggerThanUncompressed);
    if (file_.Write(data, size) != size) throw ECantWriteUCF(kCantWrite);
    written_ += size;
    crc_ = ZipCrc32(crc_, data, size);
  }

  std::uint32_t Crc() const { return crc_; }

 private:
  platform::FileStream& file_;
  std::uint64_t declared_;
  std::uint64_t written_ = 0;
  std::uint32_t crc_ = 0;
};

// Hands out the entry's compressed bytes one chunk at a time.
class InputSource final : public legacyzip::ChunkSource {
 public:
  InputSource(ArchiveReader& archive, std::uint32_t compressedSize, std::vector<unsigned char>& buffer,
              bool processMessages)
      : archive_(archive), left_(compressedSize), buffer_(buffer), processMessages_(processMessages) {}

  bool Done() const { return left_ == 0; }

  // The next chunk, at most the buffer's size; empty when the data is used up.
  std::span<const unsigned char> Next() override {
    if (left_ == 0) return {};
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(left_, buffer_.size()));
    if (archive_.Read(buffer_.data(), want) != want) throw EFatalUnzipError(kPrematureEnd);
    left_ -= want;
    if (processMessages_) platform::Sys().ProcessMessages();
    return {buffer_.data(), want};
  }

 private:
  ArchiveReader& archive_;
  std::uint64_t left_;
  std::vector<unsigned char>& buffer_;
  bool processMessages_;
};

DecodeResult CopyStored(InputSource& in, OutputSink& out) {
  while (!in.Done()) {
    const std::span<const unsigned char> chunk = in.Next();
    out.Write(chunk.data(), chunk.size());
  }
  return DecodeResult::kOk;
}

class InflateStream {
 public:
  InflateStream() { ok_ = inflateInit2(&stream_, -MAX_WBITS) == Z_OK; }
  ~InflateStream() {
    if (ok_) inflateEnd(&stream_);
  }
  InflateStream(const InflateStream&) = delete;
  InflateStream& operator=(const InflateStream&) = delete;
  bool Ok() const { return ok_; }
  z_stream& operator*() { return stream_; }

 private:
  z_stream stream_{};
  bool ok_ = false;
};

// A raw Deflate stream. The entry fails when the stream is corrupt or its
// compressed bytes end before the stream does.
DecodeResult Inflate(InflateStream& inflater, InputSource& in, OutputSink& out, std::vector<unsigned char>& window) {
  z_stream& zs = *inflater;
  zs.avail_in = 0;
  // A window that comes back full may leave output inside zlib even when all
  // the input has been handed over: inflate again before asking for input.
  bool windowFilled = false;
  while (true) {
    if (zs.avail_in == 0 && !windowFilled) {
      if (in.Done()) return DecodeResult::kFailed;
      const std::span<const unsigned char> chunk = in.Next();
      zs.avail_in = static_cast<uInt>(chunk.size());
      zs.next_in = const_cast<Bytef*>(chunk.data());
    }
    zs.next_out = window.data();
    zs.avail_out = static_cast<uInt>(window.size());
    const int rc = inflate(&zs, Z_NO_FLUSH);
    const std::size_t produced = window.size() - zs.avail_out;
    out.Write(window.data(), produced);
    if (rc == Z_STREAM_END) return DecodeResult::kOk;
    windowFilled = zs.avail_out == 0;
    if (rc == Z_BUF_ERROR && zs.avail_in == 0 && !windowFilled) continue;  // needs the next chunk
    if (rc != Z_OK) return DecodeResult::kFailed;
  }
}

DecodeResult Legacy(legacyzip::Outcome outcome) {
  return outcome == legacyzip::Outcome::kOk ? DecodeResult::kOk : DecodeResult::kFailed;
}

}  // namespace

bool TVCLUnZip::Impl::ExtractEntry(TVCLUnZip& zip, const TZipHeaderInfo& entry, CoveredSpans& covered,
                                   std::vector<unsigned char>& input, std::vector<unsigned char>& output) {
  // Entry folders are not recreated: a folder entry has nothing to write.
  if (entry.FileName.empty()) return true;
  if (!IsPlainFileName(entry.FileName)) return false;
  std::string path = zip.destDir_;
  if (!path.empty() && path.back() != '\\' && path.back() != '/') path += kPathSep;
  path += entry.FileName;

  ArchiveReader& archive = *zip.impl_->archive;
  unsigned char local[kLocalHeaderSize];
  if (!archive.ReadAt(entry.LocalHeaderOffset, local, sizeof local) || Get32(local) != kLocalSignature) {
    return false;
  }
  const std::uint64_t dataStart =
      std::uint64_t{entry.LocalHeaderOffset} + kLocalHeaderSize + Get16(local + 26) + Get16(local + 28);
  if (!covered.Claim(entry.LocalHeaderOffset, dataStart + entry.CompressedSize)) return false;
  // No password is ever set: encrypted entries are left alone.
  if (entry.Encrypted()) return false;

  platform::FileSystem& files = platform::Files();
  if (files.FileExists(path)) {
    const std::optional<std::uint32_t> existingTime = files.GetDosDateTime(path);
    switch (zip.OverwriteMode) {
      case TOverwriteMode::Always:
        break;
      case TOverwriteMode::Prompt:  // nobody is asked: existing files stay
      case TOverwriteMode::Never:
        return false;
      case TOverwriteMode::ifNewer:
        if (existingTime && entry.DateTime <= *existingTime) return false;
        break;
      case TOverwriteMode::ifOlder:
        if (existingTime && entry.DateTime >= *existingTime) return false;
        break;
    }
    // Checked here rather than left to the create call, which a privileged
    // process would get past.
    const std::optional<std::uint32_t> attributes = files.GetAttributes(path);
    if (attributes && (*attributes & platform::kAttrReadOnly) != 0) {
      if (!zip.ReplaceReadOnly) return false;
      files.SetAttributes(path, platform::kAttrNormal);
    } else if (attributes && (*attributes & (platform::kAttrHidden | platform::kAttrSystem)) != 0) {
      // Windows refuses to recreate a hidden or system file over itself.
      files.SetAttributes(path, platform::kAttrNormal);
    }
  }
  std::unique_ptr<platform::FileStream> file = files.Open(path, platform::OpenMode::kCreate);
  if (!file) return false;

  archive.Seek(dataStart);
  InputSource in(archive, entry.CompressedSize, input, zip.DoProcessMessages);
  OutputSink out(*file, entry.UncompressedSize);
  DecodeResult result = DecodeResult::kFailed;
  try {
    switch (entry.CompressionMethod) {
      case 0:
        result = CopyStored(in, out);
        break;
      case 1:
        result = Legacy(legacyzip::Unshrink(in, out, output));
        break;
      case 2:
      case 3:
      case 4:
      case 5:
        result = Legacy(legacyzip::Unreduce(in, out, output, entry.CompressionMethod - 1, entry.UncompressedSize));
        break;
      case 6:
        result = Legacy(legacyzip::Explode(in, out, output, entry.Flags, entry.UncompressedSize));
        break;
      case 8: {
        InflateStream inflater;
        if (inflater.Ok()) result = Inflate(inflater, in, out, output);
        break;
      }
      default:
        platform::Sys().ShowMessage("Unknown Compression Method", "Zip Error", platform::MessageIcon::kError);
        break;
    }
  } catch (const EBiggerThanUncompressed&) {
    result = DecodeResult::kFailed;
  } catch (const EFatalUnzipError&) {
    file.reset();  // the part written so far stays
    throw;
  } catch (const ECantWriteUCF&) {
    file.reset();
    files.DeleteFile(path);
    throw;
  }
  file.reset();
  if (result != DecodeResult::kOk || out.Crc() != entry.Crc32) {
    files.DeleteFile(path);
    return false;
  }
  files.SetDosDateTime(path, entry.DateTime);
  if (zip.RetainAttributes) {
    const std::uint32_t attributes = entry.ExternalAttributes & kDosAttributeMask;
    files.SetAttributes(path, attributes != 0 ? attributes : platform::kAttrNormal);
  }
  return true;
}

}  // namespace kestro
